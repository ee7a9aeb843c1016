#pragma once

// An analysis of fixture content databases, made on the calling thread the
// way the analyser makes it, for the Content tab's tests and benchmarks.

#include "content/ContentAnalysis.h"
#include "content/KeloContentAnalyser.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

#include <QVariantMap>

#include <memory>
#include <vector>

namespace contentdb {

// A reachable server of collection 1 whose database is stamped "T1".
inline KeloObject* addSyncServer(KlE_Control_Status& link, const QString& name, uint32_t address,
                                 int bftpPort) {
    KeloObject* kelo = link.addKeloForName(name);
    kelo->setAddress(address, address);
    kelo->setIsReachable(true);
    kelo->setBftpTcpPort(bftpPort);
    kelo->setTcpPort(4811);
    kelo->setCollectionID(1);
    kelo->setContentTimeStamp("T1");
    return kelo;
}

// The master's database first; each member names itself in ".PLocName".
inline std::shared_ptr<ContentAnalysis> analyse(const QString& masterName, int32_t collectionID,
                                                const QVariantMap& master,
                                                const std::vector<QVariantMap>& members) {
    auto analysis = std::make_shared<ContentAnalysis>();
    analysis->masterName = masterName;
    analysis->collectionID = collectionID;
    analysis->addMember(masterName, true, master);
    for (const QVariantMap& m : members)
        analysis->addMember(m.value(".PLocName").toString(), false, m);
    int issues = 0;
    for (auto it = master.constBegin(); it != master.constEnd(); ++it)
        KeloContentAnalyser::analyseFolder(it.key(), &analysis->dict, &members, *analysis, &issues,
                                           master);
    for (const QVariantMap& m : members)
        for (auto it = m.constBegin(); it != m.constEnd(); ++it)
            if (!master.contains(it.key()))
                KeloContentAnalyser::analyseMemberFldr(
                    it.key(), &analysis->dict, *analysis, &issues, m,
                    ".MemberOnlyKey" + m.value(".PLocName").toString());
    return analysis;
}

}  // namespace contentdb
