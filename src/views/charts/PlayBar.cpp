#include "views/charts/PlayBar.h"

#include "views/charts/ChartMon.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>

namespace {

constexpr double Speeds[] = {0.25, 0.5, 1, 2, 4, 8, 16};

} // namespace

TPlayBar::TPlayBar(TChartMon& monitor, QWidget* parent) : QToolBar(parent), mon(monitor) {
    setObjectName(QStringLiteral("PlayBar"));
    setWindowTitle(QStringLiteral("Play back"));
    addWidget(new QLabel(QStringLiteral(" Speed: "), this));
    speedBox = new QComboBox(this);
    speedBox->setObjectName(QStringLiteral("cbPlaySpeed"));
    speedBox->setToolTip(QStringLiteral("Play-back speed (Default: as in the properties)"));
    speedBox->addItem(QStringLiteral("Default"), 0.0);
    for (double s : Speeds) {
        speedBox->addItem(QString::number(s) + QStringLiteral("x"), s);
    }
    addWidget(speedBox);
    connect(speedBox, &QComboBox::currentIndexChanged, this, [this] {
        if (OnSpeedChanged) {
            OnSpeedChanged();
        }
    });
    stepBack =
        addAction(style()->standardIcon(QStyle::SP_MediaSeekBackward), QStringLiteral("Step back"),
                  this, [this] { mon.InspectFrame(mon.Cursor() - 1); });
    stepBack->setToolTip(QStringLiteral("One frame back"));
    slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(QStringLiteral("sldPlayPosition"));
    slider->setToolTip(QStringLiteral("Frame under the chart cursor"));
    slider->setMinimumWidth(160);
    connect(slider, &QSlider::valueChanged, this, [this](int frame) { mon.InspectFrame(frame); });
    addWidget(slider);
    stepForward = addAction(style()->standardIcon(QStyle::SP_MediaSeekForward),
                            QStringLiteral("Step forward"), this,
                            [this] { mon.InspectFrame(mon.Cursor() + 1); });
    stepForward->setToolTip(QStringLiteral("One frame forward"));
    mon.OnViewChanged = [this] { Sync(); };
    Sync();
}

double TPlayBar::Speed() const {
    return speedBox->currentData().toDouble();
}

void TPlayBar::Sync() {
    const QSignalBlocker quiet(slider);
    const int count = mon.Count();
    const bool free = !mon.Running && count > 0;
    slider->setRange(0, std::max(count - 1, 0));
    slider->setValue(mon.Cursor());
    slider->setEnabled(free);
    stepBack->setEnabled(free && mon.Cursor() > 0);
    stepForward->setEnabled(free && mon.Cursor() + 1 < count);
}
