#include "TimeButtonWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QWheelEvent>

namespace {

constexpr int kMargin = 6;

QString Text(const CString& text) { return QString::fromLocal8Bit(text.GetString()); }

} // namespace

QtTimeButton::QtTimeButton(CTimeButton& button, QWidget* parent) : QAbstractButton(parent), m_button(button)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(Text(button.Text()));
}

QSize QtTimeButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(Text(m_button.SizingMask())) + 2 * kMargin, metrics.height() + kMargin};
}

int QtTimeButton::TextLeft() const
{
    const QFontMetrics metrics(font());
    return (width() - metrics.horizontalAdvance(Text(m_button.Text()))) / 2;
}

int QtTimeButton::ColumnAt(int x) const
{
    const QFontMetrics metrics(font());
    const QString text = Text(m_button.Text());
    int left = TextLeft();
    for (int column = 0; column < text.size(); ++column) {
        left += metrics.horizontalAdvance(text[column]);
        if (x < left)
            return column;
    }
    return int(text.size());
}

void QtTimeButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    const QFontMetrics metrics(font());
    const int baseline = (height() + metrics.ascent() - metrics.descent()) / 2;
    int x = TextLeft();
    for (const CTimeButton::Piece& piece : m_button.Pieces()) {
        const QString text = Text(piece.text);
        const int w = metrics.horizontalAdvance(text);
        const bool selected = piece.isField && piece.field == m_button.SelectedField() && isEnabled();
        if (selected)
            painter.fillRect(QRect(x, baseline - metrics.ascent(), w, metrics.height()), palette().highlight());
        painter.setPen(selected ? palette().color(QPalette::HighlightedText)
                                : palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                                  QPalette::ButtonText));
        painter.drawText(x, baseline, text);
        x += w;
    }
}

void QtTimeButton::Step(int direction)
{
    m_button.Step(direction);
    setAccessibleName(Text(m_button.Text()));
    update();
}

void QtTimeButton::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        m_button.SelectNeighbour(-1);
        update();
        return;
    case Qt::Key_Right:
        m_button.SelectNeighbour(+1);
        update();
        return;
    case Qt::Key_Up:
    case Qt::Key_Plus:
        Step(+1);
        return;
    case Qt::Key_Down:
    case Qt::Key_Minus:
        Step(-1);
        return;
    default:
        QAbstractButton::keyPressEvent(event);
    }
}

void QtTimeButton::mousePressEvent(QMouseEvent* event)
{
    m_button.SelectField(m_button.FieldAtColumn(ColumnAt(int(event->position().x()))));
    setFocus(Qt::MouseFocusReason);
    update();
    event->accept();
}

void QtTimeButton::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta != 0)
        Step(delta > 0 ? +1 : -1);
    event->accept();
}
