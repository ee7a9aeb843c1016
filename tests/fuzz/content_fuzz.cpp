// Compressed blocks and content databases as servers send them: the input is
// decompressed as a block, and read as a property list that, when it is a
// dictionary, is walked as a master database against itself as a member and
// against an empty member. Folder keys and names of the input are parsed too.
#include "content/CompressionCategory.h"
#include "content/ContentAnalysis.h"
#include "content/KeloContentAnalyser.h"
#include "content/KeloContentID.h"
#include "content/KlParsedFileName.h"
#include "platform/PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    contentUiDecompress(bytes);

    QString error;
    const QVariant v = PropertyList::read(bytes, &error);
    if (v.typeId() != QMetaType::QVariantMap) return 0;
    const QVariantMap db = v.toMap();
    ContentAnalysis analysis;
    analysis.masterName = db.value(".PLocName").toString();
    const std::vector<QVariantMap> members{db, QVariantMap{{".PLocName", "empty"}}};
    QVariantMap result;
    int issues = 0;
    for (auto it = db.constBegin(); it != db.constEnd(); ++it) {
        KeloContentID::contentWithFolderKey(it.key());
        KlParsedFileName(it.key());
        KlParsedFileName::isValidDatabasePmap(it.key());
        KeloContentAnalyser::analyseFolder(it.key(), &result, &members, analysis, &issues, db);
        KeloContentAnalyser::analyseMemberFldr(it.key(), &result, analysis, &issues, db,
                                               ".MemberOnlyKeyfuzz");
        for (const QVariant& entry : it.value().toMap())
            KeloContentAnalyser::massageFileInfo(entry.toMap());
    }
    return 0;
}
