#include "FlatRtfd.h"

#include <QtEndian>

#include <list>
#include <memory>
#include <vector>

namespace platform {

namespace {

constexpr quint32 kDataRecord = 1;
constexpr quint32 kDirectoryRecord = 3;
constexpr quint32 kPaddedMarker = 0x80000000;
constexpr int kMaximumDepth = 16;
const QByteArray kPreferredName = QByteArrayLiteral("__@PreferredName@__");
const QByteArray kUTF8PreferredName = QByteArrayLiteral("__@UTF8PreferredName@__");
const QByteArray kAttributes = QByteArrayLiteral(".");
const QByteArray kContents = QByteArrayLiteral("..");

struct Node {
    bool isDirectory = false;
    QByteArray data;
    std::vector<std::pair<QByteArray, std::unique_ptr<Node>>> children;

    const Node* child(const QByteArray& key) const
    {
        for (const auto& [name, node] : children) {
            if (name == key)
                return node.get();
        }
        return nullptr;
    }
};

class Reader {
public:
    explicit Reader(QByteArrayView data) : m_data(data) { }

    bool u32(quint32* value)
    {
        if (m_data.size() - m_position < 4)
            return false;
        *value = qFromLittleEndian<quint32>(m_data.data() + m_position);
        m_position += 4;
        return true;
    }
    bool bytes(quint32 count, QByteArrayView* out)
    {
        if (quint64(m_data.size() - m_position) < count)
            return false;
        *out = m_data.sliced(m_position, count);
        m_position += count;
        return true;
    }
    qsizetype remaining() const { return m_data.size() - m_position; }

    std::unique_ptr<Node> record(int depth)
    {
        quint32 type = 0;
        if (depth > kMaximumDepth || !u32(&type))
            return nullptr;
        auto node = std::make_unique<Node>();
        if (type == kDataRecord) {
            quint32 length = 0;
            if (!u32(&length))
                return nullptr;
            if (length == kPaddedMarker) {
                quint32 padding = 0;
                QByteArrayView skipped;
                if (!u32(&length) || !u32(&padding) || !bytes(padding, &skipped))
                    return nullptr;
            }
            QByteArrayView payload;
            if (!bytes(length, &payload))
                return nullptr;
            node->data = payload.toByteArray();
            return node;
        }
        if (type != kDirectoryRecord)
            return nullptr;
        node->isDirectory = true;
        quint32 count = 0;
        // Each entry takes at least a key length and a value size.
        if (!u32(&count) || quint64(count) * 8 > quint64(remaining()))
            return nullptr;
        std::vector<QByteArray> keys(count);
        for (quint32 i = 0; i < count; ++i) {
            quint32 length = 0;
            QByteArrayView key;
            if (!u32(&length) || !bytes(length, &key))
                return nullptr;
            keys[i] = key.toByteArray();
        }
        std::vector<quint32> sizes(count);
        for (quint32 i = 0; i < count; ++i) {
            if (!u32(&sizes[i]))
                return nullptr;
        }
        for (quint32 i = 0; i < count; ++i) {
            QByteArrayView window;
            if (!bytes(sizes[i], &window))
                return nullptr;
            Reader inner(window);
            std::unique_ptr<Node> child = inner.record(depth + 1);
            if (!child)
                return nullptr;
            node->children.emplace_back(keys[i], std::move(child));
        }
        return node;
    }

private:
    QByteArrayView m_data;
    qsizetype m_position = 0;
};

bool isMetadataKey(const QByteArray& key)
{
    return key == kPreferredName || key == kUTF8PreferredName || key == kAttributes;
}

void appendU32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

// A record to write: data held elsewhere, or a folder of named records. The package is sized
// first and written once into one buffer, as building each folder as bytes of its own would
// hold a picture once more at every level.
struct OutRecord {
    QByteArrayView data;
    bool isDirectory = false;
    std::vector<QByteArrayView> keys;
    std::vector<OutRecord> children;

    void add(QByteArrayView key, OutRecord child)
    {
        keys.push_back(key);
        children.push_back(std::move(child));
    }

    qsizetype size() const
    {
        qsizetype size = 8;
        if (!isDirectory)
            return size + data.size();
        for (size_t i = 0; i < keys.size(); ++i)
            size += 4 + keys[i].size() + 4 + children[i].size();
        return size;
    }

    void writeTo(QByteArray& out) const
    {
        appendU32(out, isDirectory ? kDirectoryRecord : kDataRecord);
        if (!isDirectory) {
            appendU32(out, quint32(data.size()));
            out.append(data);
            return;
        }
        appendU32(out, quint32(keys.size()));
        for (const QByteArrayView key : keys) {
            appendU32(out, quint32(key.size()));
            out.append(key);
        }
        for (const OutRecord& child : children)
            appendU32(out, quint32(child.size()));
        for (const OutRecord& child : children)
            child.writeTo(out);
    }
};

OutRecord dataRecord(QByteArrayView data)
{
    return OutRecord { data, false, {}, {} };
}

// The "." payload of a regular file: its permissions among values only partly understood.
QByteArray fileAttributes()
{
    QByteArray out;
    appendU32(out, 1);
    appendU32(out, 2);
    out.append("..", 2);
    appendU32(out, 16);
    appendU32(out, 0);
    appendU32(out, 0644);
    appendU32(out, 2);
    appendU32(out, 1);
    return out;
}

bool corrupt(Error* error, const QString& reason)
{
    return Error::set(error,
        Error(kCocoaErrorDomain, FileReadCorruptFileError,
            QStringLiteral("The rich text could not be read."), reason));
}

} // namespace

bool FlatRtfd::hasSignature(QByteArrayView data)
{
    return data.startsWith("rtfd");
}

std::optional<FlatRtfd::Files> FlatRtfd::read(QByteArrayView data, Error* error)
{
    if (!hasSignature(data) || data.size() < 8) {
        corrupt(error, QStringLiteral("The data is not a flat RTFD."));
        return std::nullopt;
    }
    Reader reader(data.sliced(8));
    const std::unique_ptr<Node> top = reader.record(0);
    if (!top) {
        corrupt(error, QStringLiteral("The flat RTFD is damaged."));
        return std::nullopt;
    }
    Files files;
    if (!top->isDirectory) {
        files.append({ QStringLiteral("TXT.rtf"), top->data });
        return files;
    }
    if (const Node* contents = top->child(kContents); contents && !contents->isDirectory) {
        // A single regular file rather than a folder: it is the text itself.
        files.append({ QStringLiteral("TXT.rtf"), contents->data });
        return files;
    }
    for (const auto& [key, node] : top->children) {
        if (isMetadataKey(key))
            continue;
        if (!node->isDirectory) {
            files.append({ QString::fromUtf8(key), node->data });
        } else if (const Node* contents = node->child(kContents);
                   contents && !contents->isDirectory) {
            files.append({ QString::fromUtf8(key), contents->data });
        }
    }
    return files;
}

QByteArray FlatRtfd::write(const Files& files)
{
    static const QByteArray attributes = fileAttributes();
    // The names the records view; a list's items keep their places as it grows.
    std::list<QByteArray> names;
    OutRecord top { {}, true, {}, {} };
    for (const auto& [name, contents] : files) {
        const QByteArray& utf8 = names.emplace_back(name.toUtf8());
        const QByteArray& latin1 = names.emplace_back(name.toLatin1());
        OutRecord file { {}, true, {}, {} };
        file.add(kContents, dataRecord(contents));
        file.add(kPreferredName, dataRecord(latin1));
        file.add(kUTF8PreferredName, dataRecord(utf8));
        file.add(kAttributes, dataRecord(attributes));
        top.add(utf8, std::move(file));
    }
    top.add(kPreferredName, dataRecord({}));
    top.add(kUTF8PreferredName, dataRecord({}));
    QByteArray out;
    out.reserve(8 + top.size());
    out.append("rtfd", 4);
    appendU32(out, 0);
    top.writeTo(out);
    return out;
}

} // namespace platform
