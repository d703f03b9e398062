// The desktop's clipboard behind the Qt-free clipboard store. A data object goes onto it as
// mime data whose formats are rendered only when a program asks for them.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPointer>

#include "DataObjectMime.h"
#include "platform/Clipboard.h"
#include "platform/Codec.h"
#include "platform/qt/Application.h"

namespace {

// The clipboard's mime data: the object hears once that the clipboard let go of it, at the
// latest when Qt deletes the data.
class TLazyMimeData : public TDataObjectMimeData {
public:
    using TDataObjectMimeData::TDataObjectMimeData;
    ~TLazyMimeData() override { Release(); }

    void Release() {
        if (released_) return;
        released_ = true;
        CallGuarded([this] { Object()->ClipboardReleased(); });
    }

private:
    bool released_ = false;
};

// Watches the clipboard for the data object the program put there: when another owner takes
// the clipboard, the object is released even if Qt keeps the mime data alive.
class TOwnershipWatch {
public:
    static TOwnershipWatch& Instance() {
        static TOwnershipWatch watch;
        return watch;
    }
    void Track(TLazyMimeData* data) {
        Connect();
        current_ = data;
        ownershipReported_ = false;
    }
    void Settled() {
        // Platforms that report ownership say so right after a set; others never do, and then
        // only a change of the clipboard's data counts.
        ownershipReported_ = current_ && QGuiApplication::clipboard()->ownsClipboard();
    }

private:
    void Connect() {
        if (connected_) return;
        connected_ = true;
        QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged,
                         QGuiApplication::clipboard(), [this] { Changed(); });
    }
    void Changed() {
        if (!current_) return;
        QClipboard* clipboard = QGuiApplication::clipboard();
        const bool lost = clipboard->ownsClipboard()
                              ? clipboard->mimeData() != current_.data()
                              : ownershipReported_ || clipboard->mimeData() != current_.data();
        if (!lost) return;
        TLazyMimeData* data = current_.data();
        current_ = nullptr;
        data->Release();
    }

    QPointer<TLazyMimeData> current_;
    bool ownershipReported_ = false;
    bool connected_ = false;
};

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
    bool SetDataObject(PDataObject object) override {
        if (!object) return false;
        QPointer<TLazyMimeData> data = new TLazyMimeData(std::move(object));
        TOwnershipWatch::Instance().Track(data);
        QGuiApplication::clipboard()->setMimeData(data);
        // Qt deletes what the clipboard refuses.
        const bool taken = data && QGuiApplication::clipboard()->mimeData() == data.data();
        TOwnershipWatch::Instance().Settled();
        return taken;
    }
    PDataObject DataObject() override {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data) return nullptr;
        if (auto* lazy = dynamic_cast<const TLazyMimeData*>(data)) return lazy->Object();
        // Another program's data: the formats the program knows, copied now.
        auto copy = std::make_shared<TMemoryDataObject>();
        for (const QString& mime : data->formats()) {
            const TClipFormat format = ClipboardFormatOfMimeType(mime.toStdString());
            if (format == 0 || copy->HasFormat(format)) continue;
            const QByteArray bytes = data->data(mime);
            copy->SetData(format, std::string(bytes.constData(), size_t(bytes.size())));
        }
        return copy;
    }
    void Clear() override { QGuiApplication::clipboard()->clear(); }
};

}  // namespace

std::unique_ptr<TClipboardStore> CreateSystemClipboard() {
    return std::make_unique<TSystemClipboard>();
}
