#include "pages/framedevlist.h"

#include "pages/formtroubleshoot.h"
#include "protocol/formudp.h"
#include "requests/waits.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "settings/utility.h"
#include "ui_framedevlist.h"

#include <QHeaderView>
#include <cstring>

namespace {
constexpr int kNameWidth = 300;
constexpr int kMacWidth = 168;
} // namespace

TFrameDevList::TFrameDevList(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameDevList) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnCfg"));
    connect(ui->BtnRefresh, &QAbstractButton::clicked, this, &TFrameDevList::BtnRefreshClick);
    connect(ui->BtnTroubleshoot, &QAbstractButton::clicked, this,
            &TFrameDevList::BtnTroubleshootClick);
    connect(ui->LvDevList, &QTreeWidget::itemSelectionChanged, this,
            &TFrameDevList::LvDevListSelectItem);
    connect(&TimerSearch, &CWaitTimer::Elapsed, this, &TFrameDevList::TimerSearchTimer);

    QTreeWidget* list = ui->LvDevList;
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("MAC Address")});
    list->setColumnWidth(0, kNameWidth);
    list->setColumnWidth(1, kMacWidth);
    list->header()->setStretchLastSection(false);
    list->setRootIsDecorated(false);
    list->setIndentation(0);
    list->setUniformRowHeights(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Grid lines, and a selection that stays visible without the focus. With
    // an item rule in the style sheet the selected row needs its own rule, or
    // its text is drawn in the highlight text colour on a pale fill: unreadable.
    list->setStyleSheet(QStringLiteral(
        "QTreeView::item { border-right: 1px solid #d8d8d8; border-bottom: 1px solid #d8d8d8; }"
        "QTreeView::item:selected { background: palette(highlight); "
        "color: palette(highlighted-text); }"));
    QPalette palette = list->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    list->setPalette(palette);

    QPalette white = ui->PlSearch->palette();
    white.setColor(QPalette::Window, Qt::white);
    ui->PlSearch->setPalette(white);
    ui->PlSearch->setAutoFillBackground(true);
}

TFrameDevList::~TFrameDevList() = default;

void TFrameDevList::FrameInit() {
    SetCommonLook();
    TimerSearch.Stop();
    ui->PlSearch->hide();
    // The layout has been applied: what it left of the button's visibility
    // says whether it may be offered at all.
    m_TroubleshootAllowed = !ui->BtnTroubleshoot->isHidden();
    ui->BtnTroubleshoot->hide();
    ClearList();
    TFrameBase::FrameInit();
    // The sortable list is not reached by the page texts: its two columns are
    // looked up here, under the keys a standard list's columns have.
    QTreeWidgetItem* header = ui->LvDevList->headerItem();
    const QString section = QStringLiteral("TFrameDevList");
    for (int i = 0; i < ui->LvDevList->columnCount(); ++i)
        header->setText(
            i, GetText(section, QStringLiteral("LvDevList_Col%1").arg(i), header->text(i)));
}

void TFrameDevList::FrameDone() {
    ClearList();
    TFrameBase::FrameDone();
}

bool TFrameDevList::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    if (direction == Direction::Forward)
        BtnRefreshClick();
    return TFrameBase::FrameEnter(current, direction, param);
}

bool TFrameDevList::WndProc(const CUdpMessage& message) {
    // The engine's discovery wait ends the search; whatever request code the
    // time-out carries, a search is the only thing this page waits for.
    if (message.IsTimeout() && TimerSearch.IsActive())
        TimerSearchTimer();
    return false;
}

void TFrameDevList::ClearList() {
    ui->BtnCfg->setEnabled(false);
    ui->LvDevList->clear();
    m_Records.clear();
}

void TFrameDevList::BtnRefreshClick() {
    ClearList();
    ui->BtnTroubleshoot->hide();
    if (!FormUDP)
        return;
    // Without an adapter no search runs: troubleshooting says why.
    if (!FormUDP->SendDiscover(Waits::Discover, true)) {
        ShowMessage(TFormUDP::AdapterFailureText());
        OfferTroubleshooting();
        return;
    }
    ui->BtnRefresh->setEnabled(false);
    ui->PlSearch->show();
    ui->PlSearch->raise();
    TimerSearch.Start(Waits::SearchLimit);
}

void TFrameDevList::TimerSearchTimer() {
    TimerSearch.Stop();
    std::vector<DeviceRecord> found;
    if (FormUDP)
        FormUDP->GetDeviceList(found);
    QTreeWidget* list = ui->LvDevList;
    list->setUpdatesEnabled(false);
    for (const DeviceRecord& record : found) {
        auto* item = new QTreeWidgetItem(list);
        // A name is whatever a device on the LAN answered: shown escaped.
        item->setText(0, PrintableText(FromWindows1252(record.Name,
                                                       qstrnlen(record.Name, sizeof record.Name))));
        item->setText(1, FormatMAC(record.MAC));
        m_Records.push_back(record);
    }
    list->setUpdatesEnabled(true);
    ui->BtnRefresh->setEnabled(true);
    ui->PlSearch->hide();
    if (found.empty())
        OfferTroubleshooting();
    if (g_Var.NonWorking)
        ui->BtnCfg->setEnabled(true);
}

void TFrameDevList::OfferTroubleshooting() {
    if (m_TroubleshootAllowed)
        ui->BtnTroubleshoot->show();
}

void TFrameDevList::BtnTroubleshootClick() {
    if (!m_Troubleshoot) {
        m_Troubleshoot = std::make_unique<TFormTroubleshoot>(window());
        connect(m_Troubleshoot.get(), &TFormTroubleshoot::SearchAgain, this,
                &TFrameDevList::BtnRefreshClick);
    }
    m_Troubleshoot->Run(FormUDP, Waits::Discover);
}

void TFrameDevList::LvDevListSelectItem() {
    if (g_Var.NonWorking)
        return;
    ui->BtnCfg->setEnabled(!ui->LvDevList->selectedItems().isEmpty());
}

void TFrameDevList::ReleaseOtherDevice() {
    // After a login the engine takes answers from that device only, until the
    // next search. Coming back to the list (no new search) and choosing another
    // device would make every login of it fail: the engine is logged out of the
    // first device and listens to any device again.
    static const uint8_t kAnyDevice[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    if (!FormUDP || std::memcmp(FormUDP->TargetMAC, kAnyDevice, 6) == 0 ||
        std::memcmp(FormUDP->TargetMAC, g_Var.Device.MAC, 6) == 0)
        return;
    if (FormUDP->LoggedIn)
        FormUDP->SendLogout(0);
    std::memcpy(FormUDP->TargetMAC, kAnyDevice, 6);
}

void TFrameDevList::BtnCfgClick() {
    const QList<QTreeWidgetItem*> selected = ui->LvDevList->selectedItems();
    const int row = selected.isEmpty() ? -1 : ui->LvDevList->indexOfTopLevelItem(selected.first());
    if (row >= 0 && row < static_cast<int>(m_Records.size())) {
        g_Var.Device = m_Records[row];
        ReleaseOtherDevice();
    } else if (!g_Var.NonWorking) {
        return;
    }
    g_Var.ResetIPConfig(g_Var.CurIP);
    g_Var.ResetIPConfig(g_Var.NewIP);
    g_Var.ResetProfile(g_Var.CurWl);
    g_Var.ResetProfile(g_Var.NewWl);
    PostNext();
}
