#include "cutlistpanel.h"

#include "controls.h"
#include "cutlist.h"
#include "previewsession.h"
#include "cutlistrun.h"
#include "messagesink.h"
#include "panelslider.h"
#include "settingsstorelocation.h"
#include "twips.h"

#include <QLabel>
#include <QListView>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace {

// Where the list sits in frList, in twips; the buttons' rows are in the
// layout table.
constexpr int kListLeft = 150;
constexpr int kListTop = 450;
constexpr int kListWidth = 6150;
constexpr int kListHeight = 3150;

// A list whose entries are put in order by dragging one onto another's
// place, with the mouse held down.
class CutListView final : public QListView
{
public:
    using QListView::QListView;
    std::function<void(int from, int to)> moved;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        m_pressedRow = event->button() == Qt::LeftButton ? indexAt(event->position().toPoint()).row() : -1;
        QListView::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        const int from = std::exchange(m_pressedRow, -1);
        QListView::mouseReleaseEvent(event);
        if (from < 0 || event->button() != Qt::LeftButton)
            return;
        const QModelIndex target = indexAt(event->position().toPoint());
        const int to = target.isValid() ? target.row() : model()->rowCount() - 1;
        if (to != from && moved) {
            moved(from, to);
            setCurrentIndex(model()->index(to, 0));
        }
    }

private:
    int m_pressedRow = -1;
};

} // namespace

CutListPanel::CutListPanel(QWidget &window, const WindowServices &services, CutWorkflow &flow, PanelSlider &panels,
                           std::function<CutChoices()> choices, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_services(services)
    , m_flow(flow)
    , m_panels(panels)
    , m_choices(std::move(choices))
    , m_model(std::make_unique<CutListModel>(cutListFolder(*services.settingsLocation)))
    , m_runner(std::make_unique<CutListRunner>(services, flow, *m_model))
{
    const auto find = [&window](const char *name) {
        auto *widget = window.findChild<PictureButton *>(QString::fromLatin1(name));
        Q_ASSERT_X(widget, "CutListPanel", name);
        return widget;
    };
    const auto clicked = [this, &find](const char *name, auto slot) {
        connect(find(name), &QAbstractButton::clicked, this, slot);
    };
    m_frList = window.findChild<FramePanel *>(u"frList"_s);
    Q_ASSERT(m_frList);
    m_cmdRunList = find("cmdRunList");

    auto *view = new CutListView(m_frList);
    view->moved = [this](int from, int to) { m_model->move(from, to); };
    m_view = view;
    m_view->setObjectName(u"lstCuts"_s);
    m_view->setAccessibleName(tr("Cut list"));
    m_view->setModel(m_model.get());
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setUniformItemSizes(true);
    // One line each, shortened in the middle where it is too long, so that
    // the source and the state at the line's ends stay in view.
    m_view->setTextElideMode(Qt::ElideMiddle);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setGeometry(twipsToPixels(kListLeft), twipsToPixels(kListTop), twipsToPixels(kListWidth),
                        twipsToPixels(kListHeight));
    // Before the Run List button in the panel's tab order.
    QWidget::setTabOrder(m_view, m_cmdRunList);

    clicked("cmdAddToList", &CutListPanel::addCurrent);
    clicked("cmdCutList", [this] {
        m_model->refreshSources();
        m_panels.open(m_frList);
        m_view->setFocus();
    });
    clicked("cmdCloseList", [this] { m_panels.close(); });
    clicked("cmdRunList", [this] {
        // While the list runs this button is its Stop, the same as the
        // window's, which the panel covers.
        if (m_runner->running()) {
            if (m_flow.taskState() == TaskState::Running) // not again while it stops
                m_flow.StartOrStop(CutChoices{});
        } else
            m_runner->run();
    });
    // Beside Run List, and like it its own Stop while it runs.
    for (const bool removeParts : {false, true}) {
        clicked(removeParts ? "cmdRemoveParts" : "cmdJoinList", [this, removeParts] {
            if (!m_runner->running())
                m_runner->join(removeParts);
            else if (m_runner->joining() && m_flow.taskState() == TaskState::Running)
                m_flow.StartOrStop(CutChoices{});
        });
    }
    clicked("cmdRemoveCut", [this] { m_model->remove(selectedRows()); });
    clicked("cmdClearList", &CutListPanel::clearAsked);
    clicked("cmdMoveCutUp", [this] {
        const int row = m_view->currentIndex().row();
        if (m_model->moveUp(row))
            m_view->setCurrentIndex(m_model->index(row - 1));
    });
    clicked("cmdMoveCutDown", [this] {
        const int row = m_view->currentIndex().row();
        if (m_model->moveDown(row))
            m_view->setCurrentIndex(m_model->index(row + 1));
    });
    clicked("cmdCutErrors", &CutListPanel::showErrors);
    connect(m_view, &QAbstractItemView::activated, this, &CutListPanel::showErrors);

    connect(m_runner.get(), &CutListRunner::runningChanged, this, &CutListPanel::updateButtons);
    connect(m_model.get(), &QAbstractItemModel::dataChanged, this, &CutListPanel::updateButtons);
    connect(m_model.get(), &QAbstractItemModel::rowsRemoved, this, &CutListPanel::updateButtons);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this, &CutListPanel::updateButtons);
    connect(m_model.get(), &CutListModel::saveFailed, this, [this](const QString &path) {
        m_services.messages->showMessage(tr("The cut list could not be saved to %1.").arg(path),
                                         MessageIcon::Warning, kAppTitle);
    });

    // Once the window is up, say what happened to the list file, if anything.
    if (const QString message = m_model->restore(); !message.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, message] { m_services.messages->showMessage(message, MessageIcon::Warning, kAppTitle); },
            Qt::QueuedConnection);
    }
    updateButtons();
}

CutListPanel::~CutListPanel() = default;

int CutListPanel::addParts(const std::vector<BreakPart> &parts)
{
    if (m_flow.sVideoFile().isEmpty() || m_flow.session().bNoVideo())
        return 0;
    const CutChoices choices = m_choices();
    CutEntry entry;
    entry.sourcePath = m_flow.sVideoFile();
    entry.exactMarks = true;
    if (const PreviewEngine *engine = m_flow.session().engine())
        entry.frameRate = engine->FrameRate().value_or(0.0);
    entry.format = choices.format;
    if (const auto *summary = m_window.findChild<QLabel *>(u"lblFormat"_s))
        entry.formatSummary = summary->text();
    entry.folder = choices.folder;
    entry.fastSeek = choices.fastSeek;
    int added = 0;
    for (const BreakPart &part : parts) {
        entry.selectStart = part.start;
        entry.selectEnd = part.end;
        m_model->add(entry);
        ++added;
    }
    updateButtons();
    return added;
}

bool CutListPanel::addCurrent()
{
    if (!m_flow.selectionReady())
        return false;
    const CutChoices choices = m_choices();
    CutEntry entry;
    entry.sourcePath = m_flow.sVideoFile();
    entry.selectStart = m_flow.selectStart();
    entry.selectEnd = m_flow.selectEnd();
    entry.exactMarks = m_flow.exactMarks();
    entry.format = choices.format;
    if (const auto *summary = m_window.findChild<QLabel *>(u"lblFormat"_s))
        entry.formatSummary = summary->text();
    entry.folder = choices.folder;
    entry.fastSeek = choices.fastSeek;
    m_model->add(entry);
    updateButtons();
    return true;
}

void CutListPanel::clearAsked()
{
    if (m_model->rowCount() == 0)
        return;
    const QList<CutEntry> &entries = m_model->entries();
    const auto waiting = std::count_if(entries.cbegin(), entries.cend(),
                                       [](const CutEntry &entry) { return entry.state == CutState::Waiting; });
    if (waiting > 0
        && !m_services.messages->askYesNo(
            tr("%n cuts of the list have not run yet. Clear the list all the same?", nullptr, int(waiting)),
            kAppTitle))
        return;
    m_model->clear();
}

QList<int> CutListPanel::selectedRows() const
{
    QList<int> rows;
    const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    return rows;
}

void CutListPanel::showErrors()
{
    const int row = m_view->currentIndex().row();
    if (row < 0 || row >= m_model->rowCount() || m_model->entries().at(row).state != CutState::Failed)
        return;
    const CutEntry &entry = m_model->entries().at(row);
    m_services.messages->showMessage(tr("%1 failed:\n%2").arg(cutSourceName(entry), entry.errorLines),
                                     MessageIcon::Critical, kAppTitle);
}

void CutListPanel::updateButtons()
{
    const bool running = m_runner->running();
    const bool joining = m_runner->joining();
    m_cmdRunList->setCaption(running && !joining ? tr("Stop List") : tr("Run List"));
    m_cmdRunList->setEnabled(!joining);
    // The button that started a join is its Stop; the other waits.
    const bool removing = m_runner->removingParts();
    auto *join = m_window.findChild<PictureButton *>(u"cmdJoinList"_s);
    auto *removeParts = m_window.findChild<PictureButton *>(u"cmdRemoveParts"_s);
    join->setCaption(joining && !removing ? tr("Stop") : tr("Join into One File"));
    join->setEnabled(!running || (joining && !removing));
    removeParts->setCaption(removing ? tr("Stop") : tr("Remove Listed Parts"));
    removeParts->setEnabled(!running || removing);
    const int row = m_view->currentIndex().row();
    const bool failed = row >= 0 && row < m_model->rowCount() && m_model->entries().at(row).state == CutState::Failed;
    m_window.findChild<PictureButton *>(u"cmdCutErrors"_s)->setEnabled(failed);
}
