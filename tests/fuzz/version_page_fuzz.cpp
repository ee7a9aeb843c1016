// The release-notes page as the version check reads it: any bytes, any
// line, any version text after the download name.
#include "foundation/InternetVersionCheck.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    QString text;
    InternetVersionCheck::newestOnPage(page, &text);
    const QString asText = QString::fromUtf8(page);
    InternetVersionCheck::klVersionWithString(asText, QStringLiteral("v"));
    InternetVersionCheck::klVersionWithString(asText, QString());
    return 0;
}
