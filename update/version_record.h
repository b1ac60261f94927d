#pragma once
#include <QString>
#include <QtGlobal>
#include <optional>

// The file version of a program, as the platform's fixed file information
// holds it: major.minor in the high word, release.build in the low word.
struct FixedFileVersion {
    quint32 fileVersionMS = 0;
    quint32 fileVersionLS = 0;
};

// On Linux the build embeds the record as an ELF note (owner "Corvane", type 1,
// descriptor: signature 0xFEEF04BD, structure version, fileVersionMS,
// fileVersionLS). Finds it in the given file; nothing for a file that has none,
// is not ELF or is cut short.
std::optional<FixedFileVersion> readVersionRecord(const QString &programFile);
