// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/series_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

#include "document/norvale_doc.h"
#include "document/write_failure_text.h"
#include "panel/series_plot.h"
#include "panel/time_rule_dlg.h"

namespace {

// The quantities in the order the list offers them.
constexpr SeriesQuantity kQuantities[] = {
    SeriesQuantity::ConvertedX, SeriesQuantity::ConvertedY, SeriesQuantity::PixelDx,
    SeriesQuantity::PixelDy,    SeriesQuantity::Length,     SeriesQuantity::Area,
    SeriesQuantity::PairWidthPx, SeriesQuantity::PairWidth, SeriesQuantity::EdgeSigma,
};

constexpr QSize kSavedSize(1200, 600);

}  // namespace

CSeriesPanel::CSeriesPanel(CNorvaleDoc& doc, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_detection(doc) {
    setObjectName(QStringLiteral("SeriesPanel"));
    m_quantity = new QComboBox(this);
    m_quantity->setObjectName(QStringLiteral("SeriesQuantity"));
    for (const SeriesQuantity quantity : kQuantities) {
        m_quantity->addItem(SeriesQuantityLabel(quantity));
    }
    m_rate = new QCheckBox(QCoreApplication::translate("Panel", "変化率 (d/dt)"), this);
    m_rate->setObjectName(QStringLiteral("SeriesRate"));
    m_xAxis = new QComboBox(this);
    m_xAxis->setObjectName(QStringLiteral("SeriesXAxis"));
    m_xAxis->addItems({QCoreApplication::translate("Panel", "画像番号"),
                       QCoreApplication::translate("Panel", "時刻")});
    m_timeRule = new QPushButton(QCoreApplication::translate("Panel", "間隔..."), this);
    m_timeRule->setObjectName(QStringLiteral("SeriesTimeRule"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("SeriesProgress"));
    m_progress->setFormat(QCoreApplication::translate("Panel", "測定中 %v / %m"));
    m_stop = new QPushButton(QCoreApplication::translate("Panel", "中止"), this);
    m_stop->setObjectName(QStringLiteral("SeriesStop"));
    m_resume = new QPushButton(QCoreApplication::translate("Panel", "再開"), this);
    m_resume->setObjectName(QStringLiteral("SeriesResume"));
    // Stop and resume take turns in one place, as wide as the wider of the two; it and the
    // progress keep their room while hidden, so that nothing moves under the pointer.
    m_stopOrResume = new QStackedWidget(this);
    m_stopOrResume->addWidget(m_stop);
    m_stopOrResume->addWidget(m_resume);
    for (QWidget* keeper : std::initializer_list<QWidget*>{m_progress, m_stopOrResume}) {
        QSizePolicy policy = keeper->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        keeper->setSizePolicy(policy);
    }
    m_save = new QPushButton(QCoreApplication::translate("Panel", "画像の保存..."), this);
    m_save->setObjectName(QStringLiteral("SeriesSave"));
    m_plot = new CSeriesPlot(this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QCoreApplication::translate("Panel", "表示する量"), this));
    bar->addWidget(m_quantity);
    bar->addWidget(m_rate);
    bar->addWidget(new QLabel(QCoreApplication::translate("Panel", "横軸"), this));
    bar->addWidget(m_xAxis);
    bar->addWidget(m_timeRule);
    bar->addWidget(m_progress, 1);
    bar->addWidget(m_stopOrResume);
    bar->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_plot, 1);

    connect(m_quantity, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
    connect(m_rate, &QCheckBox::toggled, this, [this] { Refresh(); });
    connect(m_xAxis, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
    connect(m_timeRule, &QPushButton::clicked, this, &CSeriesPanel::OnTimeRule);
    connect(m_stop, &QPushButton::clicked, this, &CSeriesPanel::OnStop);
    connect(m_resume, &QPushButton::clicked, this, &CSeriesPanel::OnResume);
    connect(m_save, &QPushButton::clicked, this, &CSeriesPanel::OnSavePicture);
    connect(m_plot, &CSeriesPlot::imageClicked, this, [this](int index) {
        // As a click in the file list does.
        m_doc.OpenImage(index);
        m_doc.UpdateAllViews();
        m_doc.InvalidateImageView();
        m_doc.RepaintDataView();
    });
    connect(&m_doc.UndoStack(), &QUndoStack::indexChanged, this, [this] {
        m_stopped = false;
        ScheduleRefresh();
    });
    m_detection.SetListener([this] { ScheduleRefresh(); });
    m_doc.AddView(this);
}

CSeriesPanel::~CSeriesPanel() {
    m_doc.RemoveView(this);
}

SeriesQuantity CSeriesPanel::Quantity() const {
    const int index = std::max(0, m_quantity->currentIndex());
    return kQuantities[index];
}

void CSeriesPanel::SetQuantity(SeriesQuantity quantity) {
    for (int k = 0; k < static_cast<int>(std::size(kQuantities)); ++k) {
        if (kQuantities[k] == quantity) m_quantity->setCurrentIndex(k);
    }
}

SeriesView CSeriesPanel::View() const {
    return {Quantity(), m_rate->isChecked(), m_xAxis->currentIndex() == 1};
}

void CSeriesPanel::OnTimeRule() {
    TimeRule rule = m_doc.m_profile.m_timeRule;
    if (CTimeRuleDlg::Run(this, rule)) m_doc.SetTimeRule(rule);
}

void CSeriesPanel::OnUpdate() {
    ScheduleRefresh();
}

void CSeriesPanel::OnMeasured() {
    ScheduleRefresh();
}

void CSeriesPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ScheduleRefresh();
}

void CSeriesPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Nobody looks: the cores go back to the user. What is measured so far is kept, and the
    // rest is measured when the panel is shown again.
    m_detection.Cancel();
}

void CSeriesPanel::ScheduleRefresh() {
    if (m_refreshQueued) return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        Refresh();
    });
}

void CSeriesPanel::Refresh() {
    // Hidden, the panel neither draws nor measures; it catches up when shown.
    if (!isVisible()) return;
    // Points measured under other options than the panel's now would not be what the export
    // measures: what is not measured yet starts over with the new ones.
    if (m_detection.IsOutdated()) m_detection.Discard();
    if (!m_stopped && !m_doc.IsBusy()) m_detection.Start();

    m_plot->SetData(BuildSeriesData(m_doc, View()));
    // The length and the area exist only with their switches on.
    if (auto* model = qobject_cast<QStandardItemModel*>(m_quantity->model())) {
        model->item(4)->setEnabled(m_doc.m_bMeasureLength);
        model->item(5)->setEnabled(m_doc.m_bMeasureArea);
    }
    const bool measuring = m_detection.IsRunning();
    m_progress->setVisible(measuring);
    if (measuring) {
        FitProgress(m_detection.Total());
        m_progress->setRange(0, m_detection.Total());
        m_progress->setValue(m_detection.Done());
    }
    // Once stopped, resuming is offered while anything is left to measure.
    m_stopOrResume->setCurrentWidget(m_stopped ? m_resume : m_stop);
    m_stopOrResume->setVisible(m_stopped ? m_detection.HasWork() || measuring : measuring);
}

void CSeriesPanel::FitProgress(int total) {
    const QString number = QString::number(total);
    const QString widest = m_progress->format()
                               .replace(QLatin1String("%v"), number)
                               .replace(QLatin1String("%m"), number)
                               .replace(QLatin1String("%p"), QLatin1String("100"));
    // The text with room for the bar's frame either side of it.
    const QFontMetrics metrics(m_progress->font());
    m_progress->setMinimumWidth(metrics.horizontalAdvance(widest) +
                                4 * metrics.horizontalAdvance(QLatin1Char('0')));
}

void CSeriesPanel::OnStop() {
    m_stopped = true;
    m_detection.Cancel();
    ScheduleRefresh();
}

void CSeriesPanel::OnResume() {
    m_stopped = false;
    ScheduleRefresh();
}

void CSeriesPanel::OnSavePicture() {
    SaveFileRequest request;
    request.filters = {{QCoreApplication::translate("Panel", "PNG 画像 (*.png)"), {"*.png"}},
                       {QCoreApplication::translate("Panel", "SVG 画像 (*.svg)"), {"*.svg"}}};
    request.defaultSuffix = QStringLiteral("png");
    request.confirmOverwrite = true;
    const QString path = m_doc.Ui().GetSaveFileName(request);
    if (path.isEmpty()) return;
    // A name's own suffix says what the file is; without one of the two, the type chosen does.
    const QString suffix = QFileInfo(path).suffix();
    const bool svg = suffix.compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0 ||
                     (suffix.compare(QLatin1String("png"), Qt::CaseInsensitive) != 0 &&
                      request.selectedFilter == 1);
    const bool saved = svg ? m_plot->SaveSvg(path, kSavedSize) : m_plot->SavePng(path, kSavedSize);
    if (!saved) {
        m_doc.Ui().MessageBox(
            QCoreApplication::translate("Panel", "グラフを保存できませんでした\n%1\n%2")
                .arg(QDir::toNativeSeparators(path), WriteFailureCause(m_plot->LastSaveResult())));
    }
}
