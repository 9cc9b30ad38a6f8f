// The version file comes from a web server and may hold anything: an error page, a redirect notice, bytes
// cut short. Reading it must never fail, and the comparison must stay an order, so that a published
// version can never be both newer and older than the program's own.
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "VersionUpdate.h"

namespace {

QString Written(const TVersionNumbers& numbers) {
    return QStringLiteral("%1.%2.%3.%4").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]).arg(numbers[3]);
}

}  // namespace

// The input is the published text, optionally followed by a zero byte and the own version text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    const QString published = QString::fromUtf8(split < 0 ? bytes : bytes.left(split));
    const QString own = split < 0 ? QStringLiteral("1.2.3.40") : QString::fromUtf8(bytes.mid(split + 1));

    // The numbers read back from their own writing.
    const TVersionNumbers numbers = ReadVersionNumbers(published);
    if (ReadVersionNumbers(Written(numbers)) != numbers) {
        std::abort();
    }

    // A line break after the text spoils the build only.
    const TVersionNumbers withLineBreak = ReadVersionNumbers(published + QStringLiteral("\r\n"));
    if (withLineBreak[0] != numbers[0] || withLineBreak[1] != numbers[1] || withLineBreak[2] != numbers[2] ||
        withLineBreak[3] != 0) {
        std::abort();
    }

    // Exactly one of: newer, older, the same numbers.
    const bool newer = IsNewerVersion(own, published);
    const bool older = IsNewerVersion(published, own);
    const bool same = ReadVersionNumbers(own) == numbers;
    if (int(newer) + int(older) + int(same) != 1) {
        std::abort();
    }
    return 0;
}
