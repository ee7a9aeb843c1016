#include "content/MasterFolder.h"

std::shared_ptr<MasterFolder> MasterFolder::fromVariant(const QVariant& value) {
    if (!value.canConvert<DictHelperPtr>()) return nullptr;
    return std::dynamic_pointer_cast<MasterFolder>(value.value<DictHelperPtr>());
}

QVariant MasterFolder::toVariant(const std::shared_ptr<MasterFolder>& folder) {
    return QVariant::fromValue(DictHelperPtr(folder));
}
