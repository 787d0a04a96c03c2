// The time button on screen: a push button that draws the button's text with
// the selected field highlighted. Left and Right choose the field, Up, Down,
// + and - or the wheel step it, a click selects the field under the pointer.
#pragma once

#include "TimeButton.h"

#include <QAbstractButton>

class QtTimeButton : public QAbstractButton {
public:
    // Shows and changes `button`, which the dialog owns and outlives this.
    QtTimeButton(CTimeButton& button, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    const CTimeButton& Button() const { return m_button; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // The character of the text under x, in widget coordinates.
    int ColumnAt(int x) const;
    int TextLeft() const;
    void Step(int direction);

    CTimeButton& m_button;
};
