// The system printer: one QPrinter at high resolution, full page, printing to a queue or to a
// PDF file; its canvas draws with a painter on it and measures on it without one.
#include "platform/Printer.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QChildEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "QtCanvas.h"
#include "TextRuns.h"
#include "platform/Codec.h"
#include "platform/FileUtils.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/QtPrinter.h"

namespace {

constexpr int kPdfResolution = 600;

// The print engine's list of print-system job options (name, value, name, value, ...): the
// key Qt's print-system engine reads them from when it hands a job over.
const auto kPrintSystemOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
// Bins are numbered from here in the order the queue lists them, as printer-specific bins are.
constexpr int kFirstBin = 256;

QString Q(const std::string& ansi) {
    return AnsiToQString(ansi);
}

QFont PrinterFont(const TFont& font) {
    static const bool substituted = [] {
        // Metric twins of the faces reports ask for; fontconfig usually knows them too.
        QFont::insertSubstitution("Courier New", "Liberation Mono");
        QFont::insertSubstitution("Arial", "Liberation Sans");
        QFont::insertSubstitution("Times New Roman", "Liberation Serif");
        return true;
    }();
    (void)substituted;
    QFont f = ToQFont(font);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QPen PenOf(const TPen& pen) {
    if (pen.Style() == TPenStyle::psClear) return QPen(Qt::NoPen);
    QPen p(ToQColor(pen.Color()));
    p.setWidth(pen.Width() < 1 ? 1 : pen.Width());
    p.setStyle(ToQtPenStyle(pen.Style()));
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::MiterJoin);
    return p;
}

QBrush BrushOf(const TBrush& brush) {
    if (brush.Style() == TBrushStyle::bsClear) return QBrush(Qt::NoBrush);
    return QBrush(ToQColor(brush.Color()), ToQtBrushStyle(brush.Style()));
}

// The outline of a rectangle's pen lies inside it, as on the screen canvas.
QRectF InsideRect(const TRect& r, const QPen& pen) {
    double w = pen.style() == Qt::NoPen ? 0.0 : pen.widthF();
    return QRectF(r.Left + w / 2, r.Top + w / 2, r.Width() - w, r.Height() - w);
}

// ---- A document written to a file ----

// Removes the part files of the file `name` in `folder` (".NAME.PID-N.part") whose process is
// gone: a job killed before its end leaves one. A running job's, of any user, stays.
void RemoveStaleParts(const QByteArray& folder, const QByteArray& name) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir) return;
    const std::string prefix = "." + name.toStdString() + ".";
    constexpr std::string_view suffix = ".part";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view file = entry->d_name;
        if (file.size() <= prefix.size() + suffix.size() || !file.starts_with(prefix) ||
            !file.ends_with(suffix))
            continue;
        const char* id = file.data() + prefix.size();
        const char* end = file.data() + file.size() - suffix.size();
        int pid = 0, attempt = 0;
        const auto [dash, pidError] = std::from_chars(id, end, pid);
        if (pidError != std::errc() || pid <= 0 || dash == end || *dash != '-') continue;
        const auto [last, attemptError] = std::from_chars(dash + 1, end, attempt);
        if (attemptError != std::errc() || last != end) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// Up to `size` bytes of a file from `offset`.
std::string ReadAt(int fd, off_t offset, size_t size) {
    std::string bytes(size, '\0');
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size - done, offset + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    bytes.resize(done);
    return bytes;
}

// Whether the PDF document of `size` bytes in a file is whole: it ends with the end marker
// after the offset of its cross-reference table, and the table is at that offset. Qt counts
// every byte it writes into that offset, so a write lost anywhere before it moves the table.
bool WholePdf(int fd, off_t size) {
    const off_t from = std::max<off_t>(0, size - 1024);
    std::string tail = ReadAt(fd, from, size_t(size - from));
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' '))
        tail.pop_back();
    const size_t at = tail.rfind("startxref");
    if (!tail.ends_with("%%EOF") || at == std::string::npos) return false;
    const long long table = std::strtoll(tail.c_str() + at + 9, nullptr, 10);
    return table > 0 && table < size && ReadAt(fd, off_t(table), 4) == "xref";
}

// Qt keeps to itself why writes of a document failed; more bytes written after it meet the
// same cause (a full disk, a size limit). The file's size is put back afterwards.
std::string LostWriteReason(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return SystemText(errno);
    const off_t size = st.st_size;
    static const char zeros[16384] = {};
    int err = 0;
    for (off_t at = size; at < size + off_t(4 * sizeof zeros) && err == 0;) {
        const ssize_t n = ::pwrite(fd, zeros, sizeof zeros, at);
        if (n > 0)
            at += n;
        else if (n == 0 || errno != EINTR)
            err = n == 0 ? EIO : errno;
    }
    (void)::ftruncate(fd, size);
    return err != 0 ? SystemText(err) : std::string("The document was not written whole.");
}

// Why the document Qt wrote and closed cannot take a file's place: it is cut short, or does
// not reach the disk. Nothing when it is whole and synced.
std::optional<std::string> DocumentFailure(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return SystemText(errno);
    if (!WholePdf(fd, st.st_size)) return LostWriteReason(fd);
    if (::fsync(fd) != 0) return SystemText(errno);
    return std::nullopt;
}

// Writes a whole document over a file in place and syncs it. The space the document needs is
// taken first: where there is not enough, the file keeps every byte it had.
std::optional<std::string> CopyOver(int from, int to) {
    struct stat document {
    }, before{};
    if (::fstat(from, &document) != 0 || ::fstat(to, &before) != 0) return SystemText(errno);
    if (const int err = ::posix_fallocate(to, 0, document.st_size); err != 0) {
        struct stat now {};
        if (::fstat(to, &now) == 0 && now.st_size != before.st_size)
            (void)::ftruncate(to, before.st_size);
        return SystemText(err);
    }
    std::vector<char> buffer(size_t(1) << 16);
    for (off_t at = 0; at < document.st_size;) {
        const ssize_t n = ::pread(from, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return SystemText(n < 0 ? errno : EIO);
        int err = 0;
        if (!WriteAllBytes(to, std::string_view(buffer.data(), size_t(n)), err))
            return SystemText(err);
        at += n;
    }
    if (::ftruncate(to, document.st_size) != 0 || ::fsync(to) != 0) return SystemText(errno);
    return std::nullopt;
}

// A private file for a document, in the temporary folder: removed at once, it lasts as long as
// it is open, and Qt opens it through this process's open files (`name`). -1 with errno.
int OpenPrivateFile(QString& name) {
    QByteArray path = QFile::encodeName(QDir::tempPath()) + "/lorvane-print-XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    ::unlink(path.constData());
    name = "/proc/self/fd/" + QString::number(fd);
    return fd;
}

// Follows a print dialog's properties pages (children of the dialog, one made for each queue
// chosen): a page accepted shows the paper the user chose. At the dialog's accept, `picked`
// tells whether a page still there was accepted: the paper set then is the user's choice.
class TPaperChoiceWatch : public QObject {
public:
    TPaperChoiceWatch(QDialog& dialog, std::shared_ptr<bool> picked)
        : QObject(&dialog), picked_(std::move(picked)) {
        *picked_ = false;
        dialog.installEventFilter(this);
        connect(&dialog, &QDialog::accepted, this, [this, &dialog] {
            *picked_ = false;
            for (const QDialog* page : dialog.findChildren<QDialog*>())
                if (page->property(kChosen).toBool()) *picked_ = true;
        });
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ChildPolished) return false;
        auto* page = qobject_cast<QDialog*>(static_cast<QChildEvent*>(event)->child());
        if (page && page->findChild<QComboBox*>("pageSizeCombo") &&
            !page->property(kWatched).toBool()) {
            page->setProperty(kWatched, true);
            connect(page, &QDialog::accepted, page, [page] { page->setProperty(kChosen, true); });
        }
        return false;
    }

private:
    static constexpr const char* kWatched = "lorvanePaperWatched";
    static constexpr const char* kChosen = "lorvanePaperChosen";
    std::shared_ptr<bool> picked_;
};

class QtPrintCanvas : public TPrintCanvas {
public:
    QtPrintCanvas(QPrinter& printer, QPainter& painter) : printer_(printer), painter_(painter) {}

    void TextOut(int x, int y, std::string_view text) override { Text(x, y, text, nullptr); }
    void TextRect(const TRect& r, int x, int y, std::string_view text) override {
        Text(x, y, text, &r);
    }

    void Line(int x1, int y1, int x2, int y2) override {
        QPainter* p = Painter();
        if (!p) return;
        p->setPen(PenOf(Pen()));
        p->drawLine(x1, y1, x2, y2);
    }
    void Rectangle(const TRect& r) override {
        Shape([&](QPainter& p) { p.drawRect(InsideRect(r, p.pen())); });
    }
    void Ellipse(const TRect& r) override {
        Shape([&](QPainter& p) { p.drawEllipse(InsideRect(r, p.pen())); });
    }
    void RoundRect(const TRect& r, int cw, int ch) override {
        Shape([&](QPainter& p) { p.drawRoundedRect(InsideRect(r, p.pen()), cw / 2.0, ch / 2.0); });
    }
    void ArcShape(TArcKind kind, const TRect& r, TPoint start, TPoint end) override {
        Shape([&](QPainter& p) {
            QRectF box(r.Left, r.Top, r.Width(), r.Height());
            QPointF c = box.center();
            auto angle = [&](TPoint pt) {
                return std::atan2(c.y() - pt.Y, pt.X - c.x()) * 180.0 / M_PI;
            };
            double a = angle(start), span = angle(end) - a;
            if (span <= 0) span += 360;
            int qa = int(std::lround(a * 16)), qs = int(std::lround(span * 16));
            if (kind == TArcKind::Arc)
                p.drawArc(box, qa, qs);
            else if (kind == TArcKind::Chord)
                p.drawChord(box, qa, qs);
            else
                p.drawPie(box, qa, qs);
        });
    }
    void Polygon(const std::vector<TPoint>& points) override {
        Shape([&](QPainter& p) { p.drawPolygon(Points(points)); });
    }
    void Polyline(const std::vector<TPoint>& points) override {
        QPainter* p = Painter();
        if (!p) return;
        p->setPen(PenOf(Pen()));
        p->drawPolyline(Points(points));
    }
    void FillRect(const TRect& r) override {
        if (QPainter* p = Painter())
            p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), BrushOf(Brush()));
    }
    void FrameRect(const TRect& r) override {
        QPainter* p = Painter();
        if (!p || r.IsEmpty()) return;
        QColor c = ToQColor(Brush().Color());
        p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
        p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
        p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
        p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
    }
    void DrawFocusRect(const TRect& r) override {
        QPainter* p = Painter();
        if (!p) return;
        p->setPen(QPen(Qt::black, 1, Qt::DotLine));
        p->setBrush(Qt::NoBrush);
        p->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
    }
    void StretchDraw(const TRect& dest, const TBitmap& bitmap) override {
        if (QPainter* p = Painter())
            p->drawImage(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()),
                         BitmapImage(bitmap));
    }

    void Draw(int x, int y, double sx, double sy, const TBitmap& bitmap) override {
        QPainter* p = Painter();
        if (!p) return;
        const QImage& image = BitmapImage(bitmap);
        p->drawImage(QRectF(x, y, image.width() * sx, image.height() * sy), image);
    }

    int TextWidth(std::string_view text) override {
        QFontMetricsF fm(PrinterFont(Font()), &printer_);
        return int(std::clamp<double>(std::round(RunAdvance(fm, text)), INT32_MIN, INT32_MAX));
    }
    TTextMetric TextMetrics() override {
        QFontMetricsF fm(PrinterFont(Font()), &printer_);
        TTextMetric m;
        m.Ascent = int(std::lround(fm.ascent()));
        m.Descent = int(std::lround(fm.descent()));
        m.Height = m.Ascent + m.Descent;
        int em = int(std::lround(QFontInfo(PrinterFont(Font())).pixelSize()));
        m.InternalLeading = m.Height > em ? m.Height - em : 0;
        m.ExternalLeading = int(std::lround(fm.leading()));
        m.AveCharWidth = int(std::lround(fm.averageCharWidth()));
        m.MaxCharWidth = int(std::lround(fm.maxWidth()));
        m.FixedPitch = QFontInfo(PrinterFont(Font())).fixedPitch();
        return m;
    }

private:
    QPainter* Painter() { return painter_.isActive() ? &painter_ : nullptr; }

    template <class F>
    void Shape(F draw) {
        QPainter* p = Painter();
        if (!p) return;
        p->setPen(PenOf(Pen()));
        p->setBrush(BrushOf(Brush()));
        draw(*p);
    }

    static QPolygon Points(const std::vector<TPoint>& points) {
        QPolygon poly;
        for (const TPoint& pt : points) poly << QPoint(pt.X, pt.Y);
        return poly;
    }

    void Text(int x, int y, std::string_view text, const TRect* clip) {
        QPainter* p = Painter();
        if (!p) return;
        QFont font = PrinterFont(Font());
        QFontMetricsF fm(font, &printer_);
        unsigned horz = TextAlign() & 6, vert = TextAlign() & 24;
        QString s;
        double width = 0, left = 0;
        if (text.size() <= ShortRunBytes) {
            s = AnsiToQString(text);
            width = fm.horizontalAdvance(s);
            left = horz == TA_RIGHT ? -width : horz == TA_CENTER ? -width / 2 : 0;
        } else {
            // Only the part of a long run that can show on the page goes to Qt, as on the
            // screen. The run starts at 0 here; turned text may reach a page's diagonal away.
            int from = -(printer_.width() + printer_.height()), to = -from;
            if (FontRotation() == 0) {
                from = (clip ? std::max(clip->Left, 0) : 0) - x;
                to = (clip ? std::min(clip->Right, printer_.width()) : printer_.width()) - x;
            }
            const auto measure = [&fm](std::string_view run) {
                return int64_t(std::lround(fm.horizontalAdvance(AnsiToQString(run))));
            };
            const TShownRun run =
                ShownRun(measure, int(std::ceil(fm.height())), text, TextAlign(), 0, from, to);
            s = AnsiToQString(text.substr(run.First, run.Count));
            left = run.Left;
            width = run.Width;
        }
        double base = vert == TA_BASELINE ? 0 : vert == TA_BOTTOM ? -fm.descent() : fm.ascent();
        p->save();
        if (clip) {
            QRect r(clip->Left, clip->Top, clip->Width(), clip->Height());
            p->setClipRect(r, Qt::IntersectClip);
            if (BkOpaque()) p->fillRect(r, ToQColor(BkColor()));
        }
        p->translate(x, y);
        if (FontRotation() != 0) p->rotate(-FontRotation());
        if (BkOpaque() && !clip)
            p->fillRect(QRectF(left, base - fm.ascent(), width, fm.ascent() + fm.descent()),
                        ToQColor(BkColor()));
        p->setFont(font);
        p->setPen(ToQColor(Font().Color()));
        p->drawText(QPointF(left, base), s);
        p->restore();
    }

    QPrinter& printer_;
    QPainter& painter_;
};

class QtPrinter : public TPrinter {
public:
    explicit QtPrinter(TPrintJobEnd end)
        : printer_(QPrinter::HighResolution), canvas_(printer_, painter_), end_(std::move(end)) {
        DefaultPaper();
    }
    ~QtPrinter() override {
        if (painter_.isActive()) QtPrinter::AbortDocument();
        CloseFile();
    }

    std::vector<std::string> PrinterNames() override {
        std::vector<std::string> names;
        for (const QString& n : QPrinterInfo::availablePrinterNames())
            names.push_back(QStringToAnsi(n));
        return names;
    }
    std::string DefaultPrinterName() override {
        return QStringToAnsi(QPrinterInfo::defaultPrinterName());
    }
    bool SetPrinterName(const std::string& name) override {
        QPrinterInfo info = QPrinterInfo::printerInfo(Q(name));
        if (info.isNull()) return false;
        printer_.setPrinterName(Q(name));
        queue_ = name;
        DefaultPaper();
        return printer_.isValid();
    }
    std::string PrinterName() override { return QStringToAnsi(printer_.printerName()); }
    bool IsValid() override { return printer_.isValid(); }
    void SetOutputFileName(const std::string& fileName) override {
        const bool wasFile = !printer_.outputFileName().isEmpty();
        printer_.setOutputFileName(Q(fileName));
        if (!fileName.empty()) {
            printer_.setOutputFormat(QPrinter::PdfFormat);
            printer_.setResolution(kPdfResolution);
        } else if (wasFile && !queue_.empty() && !QPrinterInfo::printerInfo(Q(queue_)).isNull()) {
            printer_.setPrinterName(Q(queue_));  // Qt would pick another queue
        }
        // Another kind of target takes its own default paper; another file keeps the choice.
        if (wasFile != !fileName.empty())
            DefaultPaper();
        else
            FullPage();
    }
    std::string OutputFileName() override {
        return QStringToAnsi(file_.isEmpty() ? printer_.outputFileName() : file_);  // also in a job
    }

    int Resolution() override { return printer_.resolution(); }
    TSize PageSizePixels() override {
        QRect r = printer_.pageLayout().fullRectPixels(printer_.resolution());
        return {r.width(), r.height()};
    }
    bool Landscape() override {
        return printer_.pageLayout().orientation() == QPageLayout::Landscape;
    }
    void SetLandscape(bool landscape) override {
        printer_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    bool SupportsMultipleCopies() override { return printer_.supportsMultipleCopies(); }
    int CopyCount() override { return printer_.copyCount(); }
    void SetCopyCount(int copies) override { printer_.setCopyCount(copies); }
    bool SupportsDuplex() override {
        QPrinterInfo info(printer_);
        return !info.isNull() && info.supportedDuplexModes().size() > 1;
    }
    int Duplex() override {
        switch (printer_.duplex()) {
            case QPrinter::DuplexLongSide:
                return 1;
            case QPrinter::DuplexShortSide:
                return 2;
            default:
                return 0;
        }
    }
    void SetDuplex(int code) override {
        printer_.setDuplex(code == 1   ? QPrinter::DuplexLongSide
                           : code == 2 ? QPrinter::DuplexShortSide
                                       : QPrinter::DuplexNone);
    }
    bool Collate() override { return printer_.collateCopies(); }
    void SetCollate(bool collate) override { printer_.setCollateCopies(collate); }

    std::vector<TPrinterPaper> Papers() override {
        QList<QPageSize> sizes;
        QPrinterInfo info(printer_);
        if (!info.isNull() && printer_.outputFormat() == QPrinter::NativeFormat)
            sizes = info.supportedPageSizes();
        if (sizes.isEmpty())
            for (auto id : {QPageSize::Letter, QPageSize::Legal, QPageSize::Executive,
                            QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::B5})
                sizes << QPageSize(id);
        std::vector<TPrinterPaper> papers;
        for (const QPageSize& s : sizes) papers.push_back({QStringToAnsi(s.name()), s.windowsId()});
        return papers;
    }
    int PaperNumber() override {
        QPageSize s = printer_.pageLayout().pageSize();
        return s.id() == QPageSize::Custom ? 256 : s.windowsId();
    }
    TSize PaperTenthsMm() override {
        QSizeF mm = printer_.pageLayout().pageSize().size(QPageSize::Millimeter);
        return {int(std::lround(mm.width() * 10)), int(std::lround(mm.height() * 10))};
    }
    bool SetPaperNumber(int number) override {
        QPageSize::PageSizeId id = QPageSize::id(number);
        if (id == QPageSize::Custom) return false;
        bool ok = printer_.setPageSize(QPageSize(id));
        FullPage();
        return ok;
    }
    bool SupportsCustomPaper() override {
        QPrinterInfo info(printer_);
        return printer_.outputFormat() == QPrinter::PdfFormat ||
               (!info.isNull() && info.supportsCustomPageSizes());
    }
    void PaperExtents(TSize& minimum, TSize& maximum) override {
        QPrinterInfo info(printer_);
        if (printer_.outputFormat() == QPrinter::PdfFormat || info.isNull()) {
            minimum = {254, 254};
            maximum = {32767, 32767};
            return;
        }
        QSizeF lo = info.minimumPhysicalPageSize().size(QPageSize::Millimeter);
        QSizeF hi = info.maximumPhysicalPageSize().size(QPageSize::Millimeter);
        minimum = {int(lo.width() * 10), int(lo.height() * 10)};
        maximum = {int(hi.width() * 10), int(hi.height() * 10)};
    }
    bool SetCustomPaper(int w, int l) override {
        bool ok =
            printer_.setPageSize(QPageSize(QSizeF(w / 10.0, l / 10.0), QPageSize::Millimeter));
        FullPage();
        return ok;
    }
    std::vector<std::string> Fonts() override {
        std::vector<std::string> fonts;
        for (const QString& f : QFontDatabase::families()) fonts.push_back(QStringToAnsi(f));
        return fonts;
    }
    void SetupChanged() override {
        if (printer_.outputFileName().isEmpty()) queue_ = QStringToAnsi(printer_.printerName());
        const bool picked = std::exchange(*paperPicked_, false);
        if (Target() != target_ && !picked &&
            printer_.pageLayout().pageSize().isEquivalentTo(paper_))
            DefaultPaper();
        else
            FullPage();
    }
    std::vector<TPrinterPaper> Bins() override {
        std::vector<TPrinterPaper> bins;
        const std::vector<TInputSlot>& sources = Slots();
        for (size_t i = 0; i < sources.size(); ++i)
            bins.push_back({sources[i].Text, kFirstBin + int(i)});
        return bins;
    }
    int BinNumber() override { return bin_ >= kFirstBin + int(Slots().size()) ? 0 : bin_; }
    bool SetBinNumber(int number) override {
        if (number != 0 && (number < kFirstBin || number >= kFirstBin + int(Slots().size())))
            return false;
        bin_ = number;
        return true;
    }

    void SetDocName(const std::string& name) override { printer_.setDocName(Q(name)); }
    bool BeginDocument() override {
        error_.clear();
        PassBin();
        if (!StartFile()) return false;
        if (painter_.begin(&printer_)) return true;
        DropFile();
        return false;
    }
    bool NewPage() override {
        if (printer_.newPage()) return true;
        if (documentFd_ >= 0) error_ = LostWriteReason(documentFd_);  // Qt tells no reason
        return false;
    }
    bool EndDocument() override {
        if (!painter_.isActive()) return true;
        std::optional<std::string> failure = end_(painter_, printer_);
        if (painter_.isActive()) painter_.end();
        // Where Qt caught a failed write it tells no reason; the document's state does.
        if (failure && failure->empty() && documentFd_ >= 0)
            failure = DocumentFailure(documentFd_).value_or(std::string());
        if (!failure) failure = KeepFile();
        if (!failure) return true;
        DropFile();
        error_ = *failure;
        return false;
    }
    std::string ErrorText() override { return error_; }
    // Qt's abort does nothing for a queue or a file: the painter's end hands the job over or
    // writes the file whole. So a queue's job goes held, under a title of its own, and is
    // cancelled (ErrorText tells of one the print system would not cancel); a file's output is
    // removed.
    void AbortDocument() override {
        error_.clear();
        printer_.abort();
        std::string held;
        if (painter_.isActive() && printer_.outputFormat() == QPrinter::NativeFormat)
            held = HoldJob();
        if (painter_.isActive()) painter_.end();
        if (!held.empty()) CancelHeld(held);
        DropFile();
    }
    TPrintCanvas& Canvas() override { return canvas_; }
    // A paper the user chose on the print dialog's properties page goes with the job, even the
    // one the page first showed, which SetupChanged would otherwise take for no choice.
    void FollowDialog(QDialog& dialog) { new TPaperChoiceWatch(dialog, paperPicked_); }
    // The printer for the print dialog, with the margins the dialog's page set-up needs.
    QPrinter& DialogPrinter() {
        const QStringList queues = QPrinterInfo::availablePrinterNames();
        if (queues != marginQueues_) {
            double points = 0;
            for (const QString& queue : queues)
                points = std::max(points, QueueLargestMargin(queue.toStdString()));
            margin_ = points > 0 ? std::ceil((points + 0.01) / 72 * 100) / 100 : 0;
            marginQueues_ = queues;
        }
        SetMargins();
        return printer_;
    }

private:
    // A queue's default paper, or the locale's for a file (and when the queue names none).
    void DefaultPaper() {
        std::optional<QPageSize> paper;
        if (printer_.outputFormat() == QPrinter::NativeFormat)
            paper = QueueDefaultPaper(printer_.printerName().toStdString());
        printer_.setPageSize(paper ? *paper : LocaleDefaultPaper());
        FullPage();
    }

    // Also remembers the target and paper now set, to tell a dialog's choices from them.
    void FullPage() {
        printer_.setFullPage(true);
        SetMargins();
        target_ = Target();
        paper_ = printer_.pageLayout().pageSize();
    }

    // Painting covers the whole paper whatever the margins; but the print dialog's page set-up
    // hands a queue the paper picked there with these margins, and Qt takes it only when the
    // queue can print them. As the dialog may move to any queue (or come from a file), they are
    // the widest unprintable edge of every queue, on every side, in inches rounded up to a
    // hundredth (read when the printer goes to the dialog).
    void SetMargins() {
        printer_.setPageMargins(QMarginsF(margin_, margin_, margin_, margin_), QPageLayout::Inch);
    }

    std::string Target() const {
        return printer_.outputFileName().isEmpty() ? "queue " + printer_.printerName().toStdString()
                                                   : std::string("file");
    }

    // The paper sources of the queue printed to now (none for a PDF file), read once per queue.
    const std::vector<TInputSlot>& Slots() {
        const bool queue = printer_.outputFormat() == QPrinter::NativeFormat;
        const std::string name = queue ? QStringToAnsi(printer_.printerName()) : std::string();
        if (!slotsRead_ || name != slotsQueue_) {
            slots_ = queue ? QueueInputSlots(printer_.printerName().toStdString())
                           : std::vector<TInputSlot>{};
            slotsQueue_ = name;
            slotsRead_ = true;
            bin_ = 0;  // another queue's bins are other trays
        }
        return slots_;
    }

    // The chosen bin travels with the job as its "InputSlot" option; without a choice the
    // options stay as the printer set-up dialog left them.
    void PassBin() {
        const int bin = BinNumber();
        if (bin == 0 || printer_.outputFormat() != QPrinter::NativeFormat) return;
        SetJobOption("InputSlot", QString::fromStdString(slots_[size_t(bin - kFirstBin)].Keyword));
    }

    // Sets one of the print-system options the job is handed over with.
    void SetJobOption(const QString& name, const QString& value) {
        QPrintEngine* engine = printer_.printEngine();
        if (!engine) return;
        QStringList options = engine->property(kPrintSystemOptions).toStringList();
        for (qsizetype i = 0; i + 1 < options.size();) {
            if (options[i] == name)
                options.remove(i, 2);
            else
                i += 2;
        }
        options << name << value;
        engine->setProperty(kPrintSystemOptions, options);
    }

    // Makes the open job go to the queue held until it is released, under a title no other job
    // has; returns the title. The printer's own options and title come back afterwards.
    std::string HoldJob() {
        QPrintEngine* engine = printer_.printEngine();
        if (!engine) return {};
        heldOptions_ = engine->property(kPrintSystemOptions);
        heldTitle_ = engine->property(QPrintEngine::PPK_DocumentName);
        SetJobOption("job-hold-until", "indefinite");
        static int aborted = 0;
        const std::string title =
            "Aborted " + std::to_string(::getpid()) + "-" + std::to_string(++aborted);
        engine->setProperty(QPrintEngine::PPK_DocumentName, QString::fromStdString(title));
        return title;
    }
    // A job the print system will not cancel is left held: the abort says so (ErrorText).
    void CancelHeld(const std::string& title) {
        if (std::optional<std::string> left =
                CancelHeldJob(printer_.printerName().toStdString(), title))
            error_ = *left;
        if (QPrintEngine* engine = printer_.printEngine()) {
            engine->setProperty(kPrintSystemOptions, heldOptions_);
            engine->setProperty(QPrintEngine::PPK_DocumentName, heldTitle_);
        }
    }

    // A document for a file is written beside it under a name of its own and takes the file's
    // place only when it is whole and on the disk: a job that fails or is aborted leaves no
    // output, and the file that was there before stays as it was. Part files that killed jobs
    // left beside it go first. Where no file can be made beside it, the document is written to
    // a private file and copied over the file once whole, the space for it taken before the
    // file is touched; a file that cannot be written is refused before the job starts. A device
    // or pipe is written to as it is. False, with the reason, when the job cannot start.
    bool StartFile() {
        CloseFile();
        file_.clear();
        if (printer_.outputFormat() != QPrinter::PdfFormat || printer_.outputFileName().isEmpty())
            return true;
        file_ = printer_.outputFileName();
        const QFileInfo info(file_);
        // A link stays a link: the file it leads to is the one replaced.
        real_ = info.exists() ? info.canonicalFilePath() : file_;
        const QFileInfo target(real_);
        const QByteArray real = QFile::encodeName(real_);
        struct stat before {};
        const bool existed = ::stat(real.constData(), &before) == 0;
        if (existed && !S_ISREG(before.st_mode)) return true;
        RemoveStaleParts(QFile::encodeName(target.absolutePath()),
                         QFile::encodeName(target.fileName()));
        for (int attempt = 0; attempt < 100 && documentFd_ < 0; ++attempt) {
            const QString name = target.absolutePath() + "/." + target.fileName() + "." +
                                 QString::number(::getpid()) + "-" + QString::number(attempt) +
                                 ".part";
            const int fd = ::open(QFile::encodeName(name).constData(),
                                  O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST) continue;
                break;
            }
            if (existed) (void)::fchmod(fd, before.st_mode & 07777);
            documentFd_ = fd;
            partial_ = name;
            beside_ = true;
        }
        if (documentFd_ < 0) {
            targetFd_ = ::open(real.constData(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
            if (targetFd_ >= 0) {
                created_ = !existed;
                documentFd_ = OpenPrivateFile(partial_);
            }
            if (documentFd_ < 0) {
                error_ = SystemText(errno);
                DropFile();
                return false;
            }
        }
        printer_.setOutputFileName(partial_);
        return true;
    }

    // Puts a finished document in the file's place; the reason when that fails.
    std::optional<std::string> KeepFile() {
        if (file_.isEmpty()) return std::nullopt;
        if (documentFd_ >= 0) {
            if (std::optional<std::string> failure = DocumentFailure(documentFd_)) return failure;
            if (targetFd_ >= 0) {
                if (std::optional<std::string> failure = CopyOver(documentFd_, targetFd_))
                    return failure;
            } else if (::rename(QFile::encodeName(partial_).constData(),
                                QFile::encodeName(real_).constData()) != 0) {
                return SystemText(errno);
            }
            beside_ = created_ = false;
            // Until its folder is synced, a crash may bring the earlier file back.
            if (const int err = SyncFolderOf(QFile::encodeName(real_).toStdString()); err != 0)
                return SystemText(err) +
                       "\rThe new document is in place but not yet safe on the disk.";
        }
        EndFile();
        return std::nullopt;
    }

    // Removes what a document that did not finish wrote, and ends the file's part in the job.
    void DropFile() {
        if (beside_) ::unlink(QFile::encodeName(partial_).constData());
        if (created_) ::unlink(QFile::encodeName(real_).constData());
        EndFile();
    }

    // The printer names the file again.
    void EndFile() {
        if (file_.isEmpty()) return;
        if (!partial_.isEmpty()) printer_.setOutputFileName(file_);
        CloseFile();
        file_.clear();
    }

    void CloseFile() {
        if (documentFd_ >= 0) ::close(documentFd_);
        if (targetFd_ >= 0) ::close(targetFd_);
        documentFd_ = targetFd_ = -1;
        beside_ = created_ = false;
        partial_.clear();
    }

    QPrinter printer_;
    QPainter painter_;
    QtPrintCanvas canvas_;
    QString file_;          // the file a document is printed to, while it is printed
    QString partial_;       // where Qt writes the document: beside the file, or a private file
    QString real_;          // the file it replaces when finished (a link's target)
    int documentFd_ = -1;   // the document, open for the checks before it is kept
    int targetFd_ = -1;     // the file itself, when the document is copied over it
    bool beside_ = false;   // the document is a part file beside the file
    bool created_ = false;  // the file was made for the job (removed when it fails)
    TPrintJobEnd end_;
    std::string error_;
    std::string target_;  // the queue or file, and the paper, as this printer last set them
    QPageSize paper_;
    // The paper was chosen on the properties page of the print dialog last accepted.
    std::shared_ptr<bool> paperPicked_ = std::make_shared<bool>(false);
    std::string queue_;  // the queue chosen last, for printing to it again after a file
    std::vector<TInputSlot> slots_;
    std::string slotsQueue_;
    bool slotsRead_ = false;
    QVariant heldOptions_, heldTitle_;  // of the job held to be cancelled
    QStringList marginQueues_;          // the queues margin_ was read from
    double margin_ = 0;
    int bin_ = 0;
};

}  // namespace

std::unique_ptr<TPrinter> CreateSystemPrinter() {
    return CreateSystemPrinter(EndPrintJob);
}

std::unique_ptr<TPrinter> CreateSystemPrinter(TPrintJobEnd end) {
    return std::make_unique<QtPrinter>(std::move(end));
}

std::optional<std::string> PrintJobFailure(bool painterEnded, bool printerError,
                                           int printSystemStatus,
                                           const std::string& printSystemMessage) {
    if (printSystemStatus >= 0x400) return printSystemMessage;
    if (!painterEnded || printerError) return std::string();
    return std::nullopt;
}

// Qt hands a queue's output to the print system inside the painter's end and keeps the
// answer to itself (the painter ends "successfully" when the queue refuses the job); the
// answer is the print system's last one in this thread.
std::optional<std::string> EndPrintJob(QPainter& painter, QPrinter& printer) {
    const bool queue = printer.outputFormat() == QPrinter::NativeFormat;
    const bool ended = painter.end();
    int status = 0;
    std::string message;
    if (queue) LastPrintSystemAnswer(status, message);
    return PrintJobFailure(ended, printer.printerState() == QPrinter::Error, status, message);
}

void FollowPrintDialog(QDialog& dialog, TPrinter& printer) {
    if (auto* system = dynamic_cast<QtPrinter*>(&printer)) system->FollowDialog(dialog);
}

QPrinter* QtPrinterOf(TPrinter& printer) {
    auto* system = dynamic_cast<QtPrinter*>(&printer);
    return system ? &system->DialogPrinter() : nullptr;
}
