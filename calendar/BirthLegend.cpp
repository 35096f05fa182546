#include "calendar/BirthLegend.h"

#include <QPainter>

#include "calendar/CalendarRouts.h"
#include "platform/ErrorReport.h"
#include "platform/WindowPlace.h"

TfrmBirthLegend* frmBirthLegend = nullptr;

namespace {

class LegendSurface : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        Guarded([&] { static_cast<TfrmBirthLegend*>(parentWidget())->PBPaint(); });
    }
};

}  // namespace

TfrmBirthLegend::TfrmBirthLegend(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Легенда"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    PB = new LegendSurface(this);
    PB->setAttribute(Qt::WA_OpaquePaintEvent);
}

void TfrmBirthLegend::setVisible(bool visible) {
    if (visible && !isVisible()) {
        Guarded([&] { FormShow(); });
        CentreOnScreen(this);
    }
    QDialog::setVisible(visible);
}

void TfrmBirthLegend::FormShow() {
    QSize size;
    SetLegendSize(size);
    PB->setGeometry(QRect(QPoint(0, 0), size));
    setFixedSize(size);
}

void TfrmBirthLegend::PBPaint() {
    QPainter p(PB);
    DrawLegend(p);
}
