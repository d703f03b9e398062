// The web page access test dialog over the run: the list shows the run's rows, the run's news
// updates icons, marks, selection and labels; Test, Delete and the column sort rest while a
// run is active, and closing ends it at once.
#include "TestURlForm1.h"

#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>

#include "ElastFrmQt.h"
#include "EntryList.h"
#include "EntryListView.h"
#include "FormUtils.h"
#include "Settings.h"
#include "TestURLConnector.h"
#include "platform/qt/Application.h"
#include "ui_TestURlForm1.h"

namespace {

TEntryListRow ListRow(const TTestURLRow& row) {
    TEntryListRow out;
    out.EntryIndex = row.EntryIndex;
    out.Texts = {row.Name,      row.Fav, row.Category1, row.Category2,
                 row.Category3, row.URL, row.Result};
    return out;
}

QPixmap StatePixmap(int imageIndex) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = imageIndex == tuAnswered ? QColor(40, 150, 70)
                        : imageIndex == tuFailed ? QColor(200, 50, 40)
                                                 : QColor(150, 155, 165);
    p.setPen(QPen(fill.darker(140), 1.0));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (imageIndex == tuAnswered) {
        p.drawPolyline(QPolygonF({QPointF(4.5, 8.5), QPointF(7, 11), QPointF(11.5, 5.5)}));
    } else if (imageIndex == tuFailed) {
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    } else {
        p.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));  // not yet tested
    }
    return pixmap;
}

}  // namespace

TTestURLForm::TTestURLForm(QWidget* parent, TUrlConnector* connector, TMonotonicClock* clock)
    : QDialog(parent), ui_(new Ui::TestURLForm) {
    ui_->setupUi(this);
    if (!connector) {
        ownConnector_ = std::make_unique<THTTPConnector>();
        connector = ownConnector_.get();
    }
    run_ = std::make_unique<TTestURLRun>(*connector, clock ? *clock : SteadyClock());
    run_->OnRowsChanged = [this] { ShowRows(); };
    run_->OnRowStarted = [this](int row) {
        const int display = TestList().DisplayRowOf(size_t(row));
        if (display >= 0) TestList().scrollTo(TestList().model()->index(display, 0));
    };
    run_->OnRowChanged = [this](int row) { ShowRow(row); };
    run_->OnLabelsChanged = [this] { ShowLabels(); };
    run_->OnRunningChanged = [this](bool running) { RunningChanged(running); };
    connect(ui_->TestButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { TestButtonClick(); }); });
    connect(ui_->DeleteButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { DeleteButtonClick(); }); });
    connect(ui_->CloseButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { CloseButtonClick(); }); });
    new TElasticFormQt(this);
    for (int image : {tuAnswered, tuFailed, tuUntested})
        stateIcons_[size_t(image - tuAnswered)] = QIcon(StatePixmap(image));
    FormCreate();
}

TTestURLForm::~TTestURLForm() {
    run_->Stop();
}

TEntryListView& TTestURLForm::TestList() {
    return *ui_->TestList;
}

const QIcon& TTestURLForm::StateIcon(int imageIndex) const {
    const int image = imageIndex == tuAnswered || imageIndex == tuFailed ? imageIndex : tuUntested;
    return stateIcons_[size_t(image - tuAnswered)];
}

void TTestURLForm::FormCreate() {
    TEntryListView& list = TestList();
    std::vector<std::string> captions = EntryListCaptions();
    captions.push_back("URL");
    captions.push_back(std::string());
    list.SetCaptions(captions);
    list.SetFitToHeader(elcFav);
    list.SetSortChains(EntrySortChain);
    list.setColumnHidden(tuColumnURL, true);
    list.setColumnHidden(tuColumnResult, true);
    ui_->Label6->clear();
    run_->Rows() = TestURLRows(Bank());
    ShowRows();
}

void TTestURLForm::FormActivate() {
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
    for (QLabel* label : {ui_->Label3, ui_->Label4, ui_->Label8, ui_->Label10}) label->clear();
    TestList().setFocus();
}

void TTestURLForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormActivate();
}

void TTestURLForm::ShowRows() {
    TEntryListView& list = TestList();
    const std::vector<TTestURLRow>& rows = run_->Rows();
    std::vector<TEntryListRow> listRows;
    std::vector<QIcon> icons;
    listRows.reserve(rows.size());
    icons.reserve(rows.size());
    std::vector<size_t> selected;
    for (size_t i = 0; i < rows.size(); ++i) {
        listRows.push_back(ListRow(rows[i]));
        icons.push_back(StateIcon(rows[i].ImageIndex));
        if (rows[i].Selected) selected.push_back(i);
    }
    // The run's rows are in the order shown, which the stable sort keeps.
    list.SetRows(std::move(listRows), std::move(icons));
    list.SelectRows(selected);
}

void TTestURLForm::ShowRow(int row) {
    TEntryListView& list = TestList();
    const TTestURLRow& r = run_->Rows().at(size_t(row));
    list.SetRowIcon(size_t(row), StateIcon(r.ImageIndex));
    list.SetRowText(size_t(row), tuColumnResult, r.Result);
    const int display = list.DisplayRowOf(size_t(row));
    if (display >= 0 && !r.Selected)
        list.selectionModel()->select(list.model()->index(display, 0),
                                      QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

void TTestURLForm::ShowLabels() {
    const TTestURLLabels& l = run_->Labels();
    const std::pair<QLabel*, const std::string*> shown[] = {{ui_->Label3, &l.Elapsed},
                                                            {ui_->Label4, &l.ToGo},
                                                            {ui_->Label8, &l.Average},
                                                            {ui_->Label10, &l.Maximum},
                                                            {ui_->Label6, &l.Summary}};
    for (const auto& [label, text] : shown) {
        label->setText(ToQString(*text));
        label->adjustSize();  // the labels size themselves to their text
    }
}

void TTestURLForm::RunningChanged(bool running) {
    ui_->TestButton->setEnabled(!running);
    ui_->DeleteButton->setEnabled(!running);
    TEntryListView& list = TestList();
    list.horizontalHeader()->setSectionsClickable(!running);
    // The rows to test stay as they are: no clicks or keys change the selection meanwhile.
    list.setSelectionMode(running ? QAbstractItemView::NoSelection
                                  : QAbstractItemView::ExtendedSelection);
}

void TTestURLForm::TestButtonClick() {
    if (run_->Running()) return;
    TEntryListView& list = TestList();
    // The run takes the rows in the order shown, with the list's selection.
    const std::vector<TTestURLRow>& rows = run_->Rows();
    std::vector<bool> selected(rows.size(), false);
    for (size_t r : list.SelectedRows())
        if (r < selected.size()) selected[r] = true;
    std::vector<TTestURLRow> ordered;
    ordered.reserve(rows.size());
    for (int d = 0; d < list.rowCount(); ++d) {
        const size_t r = list.RowAt(d);
        ordered.push_back(rows.at(r));
        ordered.back().Selected = selected[r];
    }
    run_->Rows() = std::move(ordered);
    run_->Start();
}

void TTestURLForm::DeleteButtonClick() {
    if (run_->Running()) return;
    if (DeleteSelectedTestEntries(Bank(), Settings(), TestList().selectedIndices())) accept();
}

void TTestURLForm::CloseButtonClick() {
    run_->Stop();
    accept();
}

void TTestURLForm::done(int result) {
    run_->Stop();
    QDialog::done(result);
}
