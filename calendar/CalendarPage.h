// The calendar page of the main window: the year drawn on a fixed-size
// surface in a white scroll box, the selected day moved by the mouse and
// the arrow keys, an invisible focus holder whose focus decides the style
// of the selection frame, and the calendar's commands.
//
// The surface keeps what was drawn in an image of its own: a full paint
// draws the whole year into it, and the frequent small changes (moving
// the selection, the focus, a new event from the calendar) draw only
// their cells' frames or cell into it and show only those pixels anew.
#pragma once

#include <QImage>
#include <QObject>
#include <QRegion>
#include <QWidget>
#include <functional>

#include "core/DateTime.h"

class QKeyEvent;
class QLineEdit;
class QMenu;
class QMouseEvent;
class QPainter;
class QScrollArea;

// A surface that leaves its painting and its mouse to its owner.
class TPaintBox : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    std::function<void(QPaintEvent*)> OnPaint;
    std::function<void(QMouseEvent*)> OnMouseDown, OnDblClick, OnMouseMove;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

class TCalendarPage : public QObject {
    Q_OBJECT
  public:
    // Builds the page's controls on `page`; `popmBirth` is its context menu.
    TCalendarPage(QWidget* page, QMenu* popmBirth);

    QScrollArea* ScrollBox1 = nullptr;
    TPaintBox* PB = nullptr;  // the calendar surface
    QLineEdit* edControlCalendarPB = nullptr;

    // ---- Handlers
    void PBPaint();  // the full paint
    void PBMouseDown(QMouseEvent* event);
    void PBDblClick();
    void PBMouseMove(QMouseEvent* event);
    void edControlCalendarPBEnter();
    void edControlCalendarPBExit();
    void edControlCalendarPBKeyDown(QKeyEvent* event, bool& handled);
    void acCalendarOpenExecute();
    void acCalendarOpenAllExecute();
    void acCalendarLegendExecute();
    void acCalendarAddExecute();

    // Asks for a full paint (after the events have changed).
    void Repaint();
    // What the surface shows, as last drawn.
    const QImage& Canvas() const { return canvas_; }
    // Full paints so far (for tests and measurements).
    int FullPaints() const { return fullPaints_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void paintSurface(QPaintEvent* event);
    bool canvasCurrent() const;
    // Draws a small change into the canvas and shows the pixels of `area`.
    void drawChange(const std::function<void(QPainter&)>& draw, const QRegion& area);
    void moveSelection(TDateTime date);
    void openList(bool dayMode);
    bool pageActive() const;

    QWidget* page_;
    QMenu* popmBirth_;
    QImage canvas_;
    QRegion changed_;  // drawn into the canvas, not yet shown
    int fullPaints_ = 0;
    TDateTime hintDay_ = -1;
};
