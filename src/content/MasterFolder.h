#pragma once

#include "foundation/DictHelper.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <memory>

// One folder of a content analysis: file key -> analysed file record, plus
// the folder's own values under keys beginning with "." (".IssueBits",
// ".Paths", ...), which the accessors read. Built by the analyser, then only
// read; held in the analysis dictionary as a DictHelperPtr.
class MasterFolder : public DictHelper {
public:
    // The folder held in a dictionary value; null for anything else.
    static std::shared_ptr<MasterFolder> fromVariant(const QVariant& value);
    static QVariant toVariant(const std::shared_ptr<MasterFolder>& folder);

    QString foldername() const { return value(".foldername").toString(); }
    // {"path", "files"} dictionaries; the first has the path "" when the
    // folder has several directories.
    QVariantList Paths() const { return value(".Paths").toList(); }
    QVariantList ErrArray() const { return value(".ErrArray").toList(); }
    QVariantMap ErrorDict() const { return value(".ErrorDict").toMap(); }
    QVariant Changed() const { return value(".Changed"); }
    int32_t IssueBits() const { return value(".IssueBits").toInt(); }
    int32_t IssueCount() const { return value(".IssueCount").toInt(); }
    QString MemberOnlyKey() const { return value(".MemberOnlyKey").toString(); }
    QVariantList MembersWithFldr() const { return value(".MembersWithFldr").toList(); }

protected:
    QString className() const override { return QStringLiteral("MasterFolder"); }
};
