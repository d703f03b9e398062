// The desktop's clipboard behind the Qt-free clipboard store.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "platform/Clipboard.h"
#include "platform/Codec.h"

namespace {

class TSystemClipboard : public TClipboardStore {
public:
    bool HasText() const override {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data && data->hasText();
    }
    std::string Text() const override {
        return Utf8ToAnsi(QGuiApplication::clipboard()->text().toUtf8().toStdString());
    }
    bool HasFormat(std::string_view format) const override {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data && data->hasFormat(QString::fromUtf8(format.data(), qsizetype(format.size())));
    }
    std::string Data(std::string_view format) const override {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data) return {};
        QByteArray bytes = data->data(QString::fromUtf8(format.data(), qsizetype(format.size())));
        return std::string(bytes.constData(), size_t(bytes.size()));
    }
    void Set(std::string_view text, std::string_view format, std::string_view bytes) override {
        auto* data = new QMimeData;
        data->setText(QString::fromStdString(AnsiToUtf8(text)));
        if (!format.empty())
            data->setData(QString::fromUtf8(format.data(), qsizetype(format.size())),
                          QByteArray(bytes.data(), qsizetype(bytes.size())));
        QGuiApplication::clipboard()->setMimeData(data);
    }
};

}  // namespace

std::unique_ptr<TClipboardStore> CreateSystemClipboard() {
    return std::make_unique<TSystemClipboard>();
}
