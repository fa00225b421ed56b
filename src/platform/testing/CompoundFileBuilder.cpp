#include "CompoundFileBuilder.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>

namespace platform::testing {

QByteArray CompoundFileBuilder::build(const QList<QPair<QByteArray, QByteArray>>& streams)
{
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* file = gsf_outfile_msole_new(memory);
    for (const auto& [name, data] : streams) {
        GsfOutput* child = gsf_outfile_new_child(file, name.constData(), FALSE);
        gsf_output_write(
            child, size_t(data.size()), reinterpret_cast<const guint8*>(data.constData()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(file));
    g_object_unref(file);
    const QByteArray bytes(
        reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory))),
        qsizetype(gsf_output_size(memory)));
    g_object_unref(memory);
    return bytes;
}

} // namespace platform::testing
