#include "SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

namespace platform {

SqliteStatement::SqliteStatement(sqlite3* db, const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    m_prepareResult
        = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_statement, nullptr);
    if (m_prepareResult != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)),
      m_prepareResult(other.m_prepareResult),
      m_blobs(std::move(other.m_blobs))
{ }

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_statement = std::exchange(other.m_statement, nullptr);
        m_prepareResult = other.m_prepareResult;
        m_blobs = std::move(other.m_blobs);
    }
    return *this;
}

void SqliteStatement::bind(int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull()) {
        sqlite3_bind_null(m_statement, index);
        return;
    }
    if (value.metaType() == QMetaType::fromType<Utf8Text>()) {
        const QByteArray& bytes = static_cast<const Utf8Text*>(value.constData())->bytes;
        sqlite3_bind_text64(m_statement, index, bytes.constData(), sqlite3_uint64(bytes.size()),
            SQLITE_STATIC, SQLITE_UTF8);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::Long:
        sqlite3_bind_int64(m_statement, index, value.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(m_statement, index, value.toDouble());
        return;
    case QMetaType::QByteArray: {
        if (index < 1)
            return;
        if (size_t(index) > m_blobs.size())
            m_blobs.resize(size_t(index));
        QByteArray& bytes = m_blobs[size_t(index) - 1];
        bytes = value.toByteArray();
        sqlite3_bind_blob64(
            m_statement, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_STATIC);
        return;
    }
    case QMetaType::VoidStar:
        // Objects handed to SQL functions (bx_compare's comparisons), never stored.
        sqlite3_bind_pointer(m_statement, index, value.value<void*>(), "bx_matcher", nullptr);
        return;
    default:
        bindText(index, value.toString());
        return;
    }
}

void SqliteStatement::bindInt64(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index, value);
}

void SqliteStatement::bindText(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text64(m_statement, index, utf8.constData(), sqlite3_uint64(utf8.size()),
        SQLITE_TRANSIENT, SQLITE_UTF8);
}

int SqliteStatement::step()
{
    return sqlite3_step(m_statement);
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

qint64 SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QString SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    QString text = QString::fromUtf8(data, sqlite3_column_bytes(m_statement, column));
    // Decoding reserves a unit per byte: a note text outside ASCII would keep up to half as
    // much again unused for as long as it is loaded.
    if (text.capacity() - text.size() > text.size() / 8)
        text.squeeze();
    return text;
}

QByteArray SqliteStatement::blob(int column) const
{
    const auto* data = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
    return QByteArray(data, sqlite3_column_bytes(m_statement, column));
}

QVariant SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return int64(column);
    case SQLITE_FLOAT:
        return real(column);
    case SQLITE_TEXT:
        return text(column);
    case SQLITE_BLOB:
        return blob(column);
    default:
        return {};
    }
}

} // namespace platform
