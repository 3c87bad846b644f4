// The command-line tool's option reader, over the words of a command line split at NUL
// bytes, with the batch's flag and the number rule its options use. The promises: a
// reading that succeeds has a folder and keeps every plain word as a file, in order; one
// that fails says why on the error stream.

#include <QTextStream>

#include "cli/Commands.h"
#include "fuzz/FuzzSupport.h"

using namespace vellumora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QStringList args;
    for (const QByteArray& word :
         QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0'))
        args << QString::fromUtf8(word);
    QString errors;
    QTextStream err(&errors);
    cli::TCommonArguments common;
    const auto own = [](const QString& name, const QString& value) -> std::optional<QString> {
        if (name == QStringLiteral("--strip-metadata")) return QString();
        if (name == QStringLiteral("--quality"))
            return cli::NumberIn(value, 1, 100) ? QString() : QStringLiteral("not a quality");
        return std::nullopt;
    };
    const bool read = cli::ReadArguments(
        QStringLiteral("batch"), args, {QStringLiteral("--strip-metadata")}, &common, own,
        [] { return QString(); }, err);
    err.flush();
    FUZZ_CHECK(read == errors.isEmpty());
    if (read) {
        FUZZ_CHECK(args.contains(QStringLiteral("--folder")));
        qsizetype at = 0;
        for (const QString& file : common.files) {
            while (at < args.size() && args[at] != file) ++at;
            FUZZ_CHECK(at < args.size());
            ++at;
        }
        FUZZ_CHECK(common.jobs >= 0 && common.jobs <= 256);
    }
    return 0;
}
