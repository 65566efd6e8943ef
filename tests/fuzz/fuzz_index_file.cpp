#include "FuzzInput.h"
#include "index/IndexFile.h"

// Whatever is read back is written and read again unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<QList<AppEntry>> entries =
        IndexFile::read(writeFuzzInput(QStringLiteral("appIndex.json"), data, size));
    if (!entries)
        return 0;
    const QString copy = writeFuzzInput(QStringLiteral("copy.json"), data, 0);
    if (IndexFile::write(copy, *entries) || IndexFile::read(copy) != entries)
        std::abort();
    return 0;
}
