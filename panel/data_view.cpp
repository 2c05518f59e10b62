// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/data_view.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "document/command_ids.h"
#include "document/norvale_doc.h"
#include "panel/dialog_units.h"
#include "panel/file_list_model.h"
#include "panel/profile_graph.h"

namespace {

// The form's own size in dialog units: the template's 153 x 331, and below it the group of the
// rule new lines take.
constexpr QSize kFormDlu(153, 362);

struct ButtonTemplate {
    int id;
    const char* name;
    const char* caption;
    QRect dlu;
};

// Buttons whose clicks are document commands.
const ButtonTemplate kCommandButtons[] = {
    {IDC_ADD_FILES, "IDC_ADD_FILES", QT_TRANSLATE_NOOP("Panel", "追加"), {93, 7, 50, 14}},
    {IDC_DELETE_FILE, "IDC_DELETE_FILE", QT_TRANSLATE_NOOP("Panel", "削除"), {93, 21, 50, 14}},
    {IDC_DELETE_ALL, "IDC_DELETE_ALL", QT_TRANSLATE_NOOP("Panel", "すべて削除"), {93, 35, 50, 14}},
    {IDC_SORT_FILES, "IDC_SORT_FILES", QT_TRANSLATE_NOOP("Panel", "ソート"), {93, 49, 50, 14}},
    {IDC_MOVE_UP, "IDC_MOVE_UP", QT_TRANSLATE_NOOP("Panel", "上へ"), {93, 63, 50, 14}},
    {IDC_MOVE_DOWN, "IDC_MOVE_DOWN", QT_TRANSLATE_NOOP("Panel", "下へ"), {93, 77, 50, 14}},
};

const ButtonTemplate kChannelRadios[] = {
    {IDC_CHANNEL_SUM, "IDC_CHANNEL_SUM", QT_TRANSLATE_NOOP("Panel", "合計"), {10, 107, 30, 10}},
    {IDC_CHANNEL_R, "IDC_CHANNEL_R", "R", {40, 107, 21, 10}},
    {IDC_CHANNEL_G, "IDC_CHANNEL_G", "G", {61, 107, 21, 10}},
    {IDC_CHANNEL_B, "IDC_CHANNEL_B", "B", {82, 107, 21, 10}},
};

const ButtonTemplate kEdgeRadios[] = {
    {IDC_EDGE_MIN, "IDC_EDGE_MIN", QT_TRANSLATE_NOOP("Panel", "最小値"), {16, 241, 37, 10}},
    {IDC_EDGE_MAX, "IDC_EDGE_MAX", QT_TRANSLATE_NOOP("Panel", "最大値"), {16, 252, 37, 10}},
    {IDC_EDGE_FALL,
     "IDC_EDGE_FALL",
     QT_TRANSLATE_NOOP("Panel", "下り勾配の最大値"),
     {16, 263, 69, 10}},
    {IDC_EDGE_RISE,
     "IDC_EDGE_RISE",
     QT_TRANSLATE_NOOP("Panel", "上り勾配の最大値"),
     {16, 274, 69, 10}},
};

const ButtonTemplate kScopeRadios[] = {
    {IDC_AXIS_COMMON, "IDC_AXIS_COMMON", QT_TRANSLATE_NOOP("Panel", "共通"), {19, 307, 30, 10}},
    {IDC_AXIS_EACH, "IDC_AXIS_EACH", QT_TRANSLATE_NOOP("Panel", "個別"), {51, 308, 30, 10}},
};

template <class Button>
Button* MakeButton(QWidget* form, const ButtonTemplate& entry, const DialogBaseUnits& units) {
    auto* button = new Button(QCoreApplication::translate("Panel", entry.caption), form);
    button->setObjectName(QString::fromLatin1(entry.name));
    PlaceControl(button, entry.dlu, units);
    return button;
}

void MakeGroupBox(QWidget* form, const char* caption, const QRect& dlu,
                  const DialogBaseUnits& units) {
    auto* group = new QGroupBox(QCoreApplication::translate("Panel", caption), form);
    PlaceControl(group, dlu, units);
}

// One exclusive group of radio buttons, numbered from 0 in template order, the first checked.
QButtonGroup* MakeRadioGroup(QWidget* form, const ButtonTemplate* first, const ButtonTemplate* last,
                             const DialogBaseUnits& units) {
    auto* group = new QButtonGroup(form);
    int index = 0;
    for (const ButtonTemplate* entry = first; entry != last; ++entry) {
        group->addButton(MakeButton<QRadioButton>(form, *entry, units), index++);
    }
    group->button(0)->setChecked(true);
    return group;
}

}  // namespace

CDataView::CDataView(CNorvaleDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    setFont(DialogFont());
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(false);
    m_form = new QWidget;
    m_form->setFont(font());
    m_form->setObjectName(QStringLiteral("IDD_DATA_VIEW"));
    BuildForm(m_form);
    scroll->setWidget(m_form);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    m_doc.AddView(this);
    OnUpdate();
}

CDataView::~CDataView() {
    m_doc.RemoveView(this);
}

void CDataView::BuildForm(QWidget* form) {
    // The controls are made in the order of the template, which is also the tab order.
    const DialogBaseUnits units = BaseUnitsOf(font());

    m_wndFileList = new QTreeView(form);
    m_wndFileList->setObjectName(QStringLiteral("IDC_FILE_LIST"));
    PlaceControl(m_wndFileList, {7, 7, 84, 85}, units);
    m_files = new CFileListModel(m_doc, m_wndFileList);
    m_wndFileList->setModel(m_files);
    m_wndFileList->setHeaderHidden(true);
    m_wndFileList->header()->setStretchLastSection(false);
    m_wndFileList->setRootIsDecorated(false);
    m_wndFileList->setUniformRowHeights(true);
    // The user's clicks open images but never move the mark: the only marked entry is the
    // current image's, set on every rebuild.
    m_wndFileList->setSelectionMode(QAbstractItemView::NoSelection);
    connect(m_wndFileList, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { OnClickFileList(index.row()); });

    for (const ButtonTemplate& entry : kCommandButtons) {
        auto* button = MakeButton<QPushButton>(form, entry, units);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, id = entry.id] { emit command(id); });
    }

    MakeGroupBox(form, QT_TRANSLATE_NOOP("Panel", "表示する輝度値"), {7, 95, 98, 25}, units);
    m_channel = MakeRadioGroup(form, std::begin(kChannelRadios), std::end(kChannelRadios), units);
    connect(m_channel, &QButtonGroup::idClicked, this, [this](int) { OnOptionClicked(); });

    // The whole drawing must show, also where the template's rectangle is smaller than it.
    m_graph = new CProfileGraph(m_doc, form);
    m_graph->setObjectName(QStringLiteral("IDC_PROFILE_GRAPH"));
    QRect graph = DluToPixels({7, 128, 136, 81}, units);
    graph.setSize(graph.size().expandedTo(m_graph->minimumSizeHint()));
    m_graph->setGeometry(graph);

    m_autoDetect = new QCheckBox(QCoreApplication::translate("Panel", "エッジの自動検出"), form);
    m_autoDetect->setObjectName(QStringLiteral("IDC_AUTO_DETECT"));
    PlaceControl(m_autoDetect, {7, 215, 68, 10}, units);
    m_autoDetect->setChecked(true);
    connect(m_autoDetect, &QCheckBox::clicked, this, [this] { OnOptionClicked(); });

    MakeGroupBox(form, QT_TRANSLATE_NOOP("Panel", "エッジとして検出する点"), {7, 228, 84, 61},
                 units);
    m_edgeMode = MakeRadioGroup(form, std::begin(kEdgeRadios), std::end(kEdgeRadios), units);
    connect(m_edgeMode, &QButtonGroup::idClicked, this, [this](int) { OnOptionClicked(); });

    auto* redetect = MakeButton<QPushButton>(
        form,
        {IDC_REDETECT, "IDC_REDETECT", QT_TRANSLATE_NOOP("Panel", "再検出"), {93, 234, 50, 14}},
        units);
    redetect->setAutoDefault(false);
    connect(redetect, &QPushButton::clicked, this, [this] { OnRedetect(); });
    auto* deleteScan = MakeButton<QPushButton>(form,
                                               {IDC_DELETE_SCAN,
                                                "IDC_DELETE_SCAN",
                                                QT_TRANSLATE_NOOP("Panel", "走査線削除"),
                                                {93, 248, 50, 14}},
                                               units);
    deleteScan->setAutoDefault(false);
    connect(deleteScan, &QPushButton::clicked, this, [this] { OnDeleteScanLine(); });
    auto* details = MakeButton<QPushButton>(form,
                                            {IDC_EDGE_DETAILS,
                                             "IDC_EDGE_DETAILS",
                                             QT_TRANSLATE_NOOP("Panel", "詳細設定"),
                                             {93, 266, 50, 14}},
                                            units);
    details->setAutoDefault(false);
    connect(details, &QPushButton::clicked, this, [this] { m_doc.EditEdgeOptions(); });

    MakeGroupBox(form, QT_TRANSLATE_NOOP("Panel", "軸の設定"), {7, 294, 84, 30}, units);
    m_axisScope = MakeRadioGroup(form, std::begin(kScopeRadios), std::end(kScopeRadios), units);
    connect(m_axisScope, &QButtonGroup::idClicked, this, [this](int) { OnOptionClicked(); });

    auto* axis = MakeButton<QPushButton>(form,
                                         {ID_AXIS_SETTINGS,
                                          "ID_AXIS_SETTINGS",
                                          QT_TRANSLATE_NOOP("Panel", "座標設定"),
                                          {93, 310, 50, 14}},
                                         units);
    axis->setAutoDefault(false);
    connect(axis, &QPushButton::clicked, this, [this] { emit command(ID_AXIS_SETTINGS); });

    // Below the template's controls, whose places stay as they are: whether lines drawn from
    // now on take a caliper rule of their own, and the button that sets it.
    MakeGroupBox(form, QT_TRANSLATE_NOOP("Panel", "新しい線のルール"), {7, 329, 136, 28}, units);
    m_newLineRule = MakeButton<QCheckBox>(
        form,
        {IDC_NEW_LINE_RULE, "IDC_NEW_LINE_RULE", QT_TRANSLATE_NOOP("Panel", "エッジ検出"),
         {16, 342, 70, 10}},
        units);
    connect(m_newLineRule, &QCheckBox::clicked, this, [this] { OnNewLineRuleClicked(false); });
    auto* setRule = MakeButton<QPushButton>(form,
                                            {IDC_NEW_LINE_RULE_SET,
                                             "IDC_NEW_LINE_RULE_SET",
                                             QT_TRANSLATE_NOOP("Panel", "ルール設定"),
                                             {93, 340, 45, 14}},
                                            units);
    setRule->setAutoDefault(false);
    connect(setRule, &QPushButton::clicked, this, [this] { OnNewLineRuleClicked(true); });

    QRect extent(QPoint(0, 0), DluToPixels({QPoint(0, 0), kFormDlu}, units).size());
    for (const QObject* child : form->children()) {
        if (const auto* widget = qobject_cast<const QWidget*>(child)) {
            extent |= widget->geometry();
        }
    }
    form->setFixedSize(extent.size());
    m_shown = ReadOptions();
}

PanelOptions CDataView::ReadOptions() {
    PanelOptions options;
    options.channel = m_channel->checkedId();
    options.edgeMode = m_edgeMode->checkedId();
    options.autoDetect = m_autoDetect->isChecked();
    options.axisIndividual = m_axisScope->checkedId() == 1;
    options.edge = m_edge;
    options.newLineRule = m_newRule;
    return options;
}

void CDataView::WriteOptions(const PanelOptions& options) {
    // Setting a button checks it without a click, so none of the click handlers runs.
    const auto check = [](QButtonGroup* group, int id) {
        if (QAbstractButton* button = group->button(id)) button->setChecked(true);
    };
    check(m_channel, options.channel);
    check(m_edgeMode, options.edgeMode);
    check(m_axisScope, options.axisIndividual ? 1 : 0);
    m_autoDetect->setChecked(options.autoDetect);
    m_edge = options.edge;
    m_newRule = options.newLineRule;
    if (m_newRule) m_lastRule = *m_newRule;
    m_newLineRule->setChecked(m_newRule.has_value());
    m_shown = ReadOptions();
}

void CDataView::RepaintNow() {
    // Synchronous: while a line is dragged the graph must follow before the handler returns.
    m_graph->repaint();
}

int CDataView::FileTextRoom() const {
    // As if the scroll bar showed: a list that grows one must not cut a word it showed whole.
    const int width = m_wndFileList->contentsRect().width() -
                      style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                           m_wndFileList->verticalScrollBar());
    return width - 2 * FileTextMargin();
}

int CDataView::FileTextMargin() const {
    // The item's text keeps this far from the column's sides; one pixel more for the fractions
    // of a pixel that a text's width is rounded from.
    return style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_wndFileList) + 2;
}

void CDataView::OnUpdate() {
    // The list reads its entries from the document as they show: a list of a long video's
    // frames costs no more to refresh than a short one. Names longer than the room are cut at
    // the end, as always; the word of a fault never is.
    const int widest = m_files->Refresh(QFontMetrics(m_wndFileList->font()), FileTextRoom());
    m_wndFileList->setColumnWidth(0, widest + 2 * FileTextMargin());
    if (m_doc.m_profile.GetSize() >= 1 && m_doc.m_nCurImage >= 0) SelectListItem(m_doc.m_nCurImage);
}

QSize CDataView::sizeHint() const {
    return m_form->size();
}

void CDataView::SelectListItem(int nIndex) {
    const QModelIndex index = m_files->index(nIndex, 0);
    if (!index.isValid()) return;
    m_wndFileList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_wndFileList->scrollTo(index);
}

void CDataView::OnClickFileList(int index) {
    // A file that cannot be read becomes current too (OpenImage has told the user why).
    m_doc.OpenImage(index);
    m_doc.UpdateAllViews();
    m_doc.InvalidateImageView();
    m_doc.RepaintDataView();
    if (m_doc.m_nCurImage >= 0) SelectListItem(m_doc.m_nCurImage);
}

void CDataView::OnRedetect() {
    if (m_doc.GetPictureBitmap() == nullptr) return;
    m_doc.RedetectCurLine();
    m_doc.InvalidateImageView();
}

void CDataView::OnDeleteScanLine() {
    if (m_doc.GetPictureBitmap() == nullptr) return;
    m_doc.DeleteCurLine();
    m_doc.RepaintDataView();
    m_doc.InvalidateImageView();
}

void CDataView::OnOptionClicked() {
    const PanelOptions before = m_shown;
    m_shown = ReadOptions();
    // While a long operation runs the document takes no step; the click is undone here.
    if (!m_doc.ChangeOptions(before, m_shown)) WriteOptions(before);
}

void CDataView::OnNewLineRuleClicked(bool button) {
    // The document's step writes the options back here; a dialog cancelled or a step refused
    // leaves the box as the options were.
    if (button || m_newLineRule->isChecked()) {
        m_doc.EditNewLineRule(m_lastRule);
    } else {
        m_doc.SetNewLineRule(std::nullopt);
    }
    m_newLineRule->setChecked(m_newRule.has_value());
}
