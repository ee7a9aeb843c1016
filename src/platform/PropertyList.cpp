// Interim: replaced by the libplist-backed reader and writer.
#include "platform/PropertyList.h"

QVariant PropertyList::read(const QByteArray&, QString* error, Format*) {
    if (error) *error = "not available";
    return {};
}
QVariant PropertyList::readOpenStep(const QByteArray&, QString* error) {
    if (error) *error = "not available";
    return {};
}
QByteArray PropertyList::write(const QVariant&, Format, QString* error) {
    if (error) *error = "not available";
    return {};
}
