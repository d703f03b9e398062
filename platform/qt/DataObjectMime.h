// Mime data over a data object, for the desktop's clipboard and its drags: the MIME types of the
// object's formats, each rendered only when a program asks for it.
#pragma once

#include <QList>
#include <QMimeData>
#include <QStringList>

#include "platform/DataObject.h"

class TDataObjectMimeData : public QMimeData {
public:
    explicit TDataObjectMimeData(PDataObject object);

    const PDataObject& Object() const { return object_; }
    QStringList formats() const override { return types_; }
    bool hasFormat(const QString& mimeType) const override { return types_.contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType) const override;

private:
    PDataObject object_;
    QStringList types_;
    QList<TClipFormat> formatOf_;  // the format each type renders
};
