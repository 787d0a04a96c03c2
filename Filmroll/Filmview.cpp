#include "Filmview.h"

#include "Filmicon.h"
#include "Filmwnd.h"
#include "framework/QtCommands.h"
#include "framework/QtOwner.h"
#include "framework/QtPlacement.h"
#include "framework/QtWnd.h"
#include "framework/UiService.h"
#include "gdi/gdi.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QColor FromColorRef(COLORREF c)
{
    return QColor(int(c & 0xff), int((c >> 8) & 0xff), int((c >> 16) & 0xff));
}

QRect ToQRect(const CRect& r)
{
    return QRect(int(r.left), int(r.top), int(r.Width()), int(r.Height()));
}

// The canister: a dark metal can with ribbed caps and a tongue of film leader.
void PaintCanister(QPainter& p, QPointF at)
{
    p.save();
    p.translate(at);
    QLinearGradient body(0, 0, 56, 0);
    body.setColorAt(0, QColor(40, 40, 44));
    body.setColorAt(0.45, QColor(150, 150, 160));
    body.setColorAt(1, QColor(30, 30, 34));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(4, 12, 52, 88), 4, 4);
    p.setBrush(QColor(200, 40, 30));
    p.drawRect(QRectF(8, 34, 44, 42));
    p.setPen(QColor(250, 220, 80));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(11);
    p.setFont(f);
    p.drawText(QRectF(8, 34, 44, 42), Qt::AlignCenter, "FILM\n36");
    p.setPen(QPen(Qt::black, 1));
    for (int cap = 0; cap < 2; ++cap) {
        QRectF r(8, cap ? 100 : 2, 44, 10);
        p.setBrush(QColor(70, 70, 76));
        p.drawRect(r);
        for (int x = 12; x < 52; x += 4)
            p.drawLine(QPointF(x, r.top() + 1), QPointF(x, r.bottom() - 1));
    }
    p.setBrush(QColor(60, 40, 20));
    QPainterPath leader;
    leader.moveTo(56, 24);
    leader.lineTo(72, 24);
    leader.lineTo(72, 84);
    leader.lineTo(56, 84);
    p.drawPath(leader);
    p.restore();
}

void PaintTrash(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(170, 175, 180));
    double w = r.width(), h = r.height();
    QPainterPath can;
    can.moveTo(r.left() + w * 0.2, r.top() + h * 0.25);
    can.lineTo(r.left() + w * 0.8, r.top() + h * 0.25);
    can.lineTo(r.left() + w * 0.72, r.bottom() - 1);
    can.lineTo(r.left() + w * 0.28, r.bottom() - 1);
    can.closeSubpath();
    p.drawPath(can);
    p.drawRoundedRect(QRectF(r.left() + w * 0.12, r.top() + h * 0.14, w * 0.76, h * 0.1), 1, 1);
    p.drawRect(QRectF(r.left() + w * 0.4, r.top() + h * 0.05, w * 0.2, h * 0.09));
    for (double x : {0.4, 0.5, 0.6})
        p.drawLine(QPointF(r.left() + w * x, r.top() + h * 0.35), QPointF(r.left() + w * x, r.bottom() - h * 0.1));
    p.restore();
}

// One glyph cell of the counter: a digit, or the separator stroke.
void PaintGlyph(QPainter& p, const QRectF& cell, int glyph)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    if (glyph == CCountDownTime::kSeparator) {
        p.drawLine(QPointF(cell.right() - 2, cell.top() + 2), QPointF(cell.left() + 2, cell.bottom() - 2));
    } else {
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(int(cell.height()) - 2);
        p.setFont(f);
        p.drawText(cell, Qt::AlignCenter, QString::number(glyph));
    }
    p.restore();
}

void PaintFrame(QPainter& p, CPicture& frame, const CRect& rect)
{
    int w = 0, h = 0;
    const uint32_t* pixels = GdiBitmapPixels(frame.GetDdb(), &w, &h);
    if (!pixels) {
        p.fillRect(ToQRect(rect), QColor(24, 24, 24));
        return;
    }
    QImage image(reinterpret_cast<const uchar*>(pixels), w, h, w * 4, QImage::Format_RGB32);
    p.drawImage(ToQRect(rect), image);
}

class StripWidget : public QWidget {
public:
    explicit StripWidget(CFilmSnapDlg& dialog) : m_dialog(dialog)
    {
        m_bar = new QScrollBar(Qt::Horizontal, this);
        connect(m_bar, &QScrollBar::actionTriggered, this, &StripWidget::OnAction);
        Sync();
    }

    void Sync()
    {
        CRect client;
        m_dialog.GetClientRect(&client);
        setFixedSize(int(client.Width()), int(client.Height()));
        int lo = 0, hi = 0;
        m_dialog.ScrollBar().GetScrollRange(&lo, &hi);
        QSignalBlocker block(m_bar);
        m_bar->setRange(lo, hi);
        m_bar->setPageStep(3);
        m_bar->setValue(m_dialog.ScrollBar().GetScrollPos());
        m_bar->setGeometry(ToQRect(m_dialog.ControlRect(m_dialog.ScrollBar())));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        PaintFilmStrip(p, m_dialog);
    }

    void mousePressEvent(QMouseEvent* e) override { Click(e->position().toPoint(), false); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { Click(e->position().toPoint(), true); }

private:
    void Click(QPoint at, bool twice)
    {
        for (int k = 0; k < 3; ++k)
            if (ToQRect(m_dialog.ControlRect(m_dialog.Frame(k))).contains(at)) {
                twice ? m_dialog.OnFrameDoubleClicked(k) : m_dialog.OnFrameClicked(k);
                return;
            }
        FilmPaintPlan plan = m_dialog.PaintPlan();
        if (plan.showTrash && ToQRect(plan.trash).contains(at) && !twice)
            m_dialog.OnCommandId(IDC_TRASH);
    }

    void OnAction(int action)
    {
        static const std::pair<int, UINT> codes[] = {
            {QAbstractSlider::SliderSingleStepSub, SB_LINELEFT}, {QAbstractSlider::SliderSingleStepAdd, SB_LINERIGHT},
            {QAbstractSlider::SliderPageStepSub, SB_PAGELEFT},   {QAbstractSlider::SliderPageStepAdd, SB_PAGERIGHT},
            {QAbstractSlider::SliderToMinimum, SB_LEFT},         {QAbstractSlider::SliderToMaximum, SB_RIGHT},
            {QAbstractSlider::SliderMove, SB_THUMBTRACK}};
        for (auto [qt, code] : codes)
            if (qt == action)
                m_dialog.OnHScroll(code, m_bar->sliderPosition());
        // The window decides where the strip stands, not the slider.
        QSignalBlocker block(m_bar);
        m_bar->setSliderPosition(m_dialog.GetScrollPosition());
    }

    CFilmSnapDlg& m_dialog;
    QScrollBar* m_bar;
};

// The owner's top-level widget: the film roll stays above it and is minimised
// with it. Null when the owner is not on screen (tests, no owner).
QWidget* OwnerWidget(const CFilmSnapDlg& dialog)
{
    auto* owner = dynamic_cast<CQtWnd*>(dialog.WindowOwner());
    return owner && owner->Widget() ? owner->Widget()->window() : nullptr;
}

class FilmWindowWidget : public QWidget {
public:
    explicit FilmWindowWidget(CFilmSnapDlg& dialog) : m_dialog(&dialog)
    {
        setWindowTitle("Film Roll");
        setWindowIcon(FilmRollIcon());
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* bar = new QMenuBar(this);
        layout->setMenuBar(bar);
        m_strip = new StripWidget(dialog);
        layout->addWidget(m_strip);
        m_menu = new QtMenuMirror(dialog.Menu(), bar, dialog);
        m_menu->setParent(this);
    }

    void Sync()
    {
        if (!m_dialog)
            return;
        // The window's logic minimises and restores it too (Close Filmroll restores).
        if (m_dialog->IsIconic() != isMinimized() && isVisible())
            m_dialog->IsIconic() ? showMinimized() : showNormal();
        Place();
        m_strip->Sync();
        if (m_menu)
            m_menu->Rebuild();
    }
    // The frame's outer corner where the window's rectangle starts; the size
    // is the strip's and the menu's.
    void Place(bool always = false)
    {
        CRect r;
        m_dialog->GetWindowRect(&r);
        if (!always && OuterRect(this).TopLeft() == r.TopLeft())
            return;
        m_placing = true;
        m_placement.Place(this, r, false, always);
        m_placing = false;
    }
    void ShowBesideOwner()
    {
        if (!m_dialog)
            return;
        // A modeless dialog window, which the window manager keeps above its
        // owner and minimises with it (X11 names the owner of dialog windows
        // only). While the program starts, its main window is not on screen
        // yet: the dialog then belongs to the program's windows as a group.
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        // Placed before it is made, so the window manager puts its frame there.
        Sync();
        Place(true);
        AttachToOwner();
        show();
        // At start-up the owner comes on screen after the film roll: watch
        // the program's windows until the owner is on screen, then tell the
        // window manager again (one that did not manage the owner yet when
        // first told could not take it as the owner).
        if (!OwnerOnScreen())
            qApp->installEventFilter(this);
    }
    void AttachToOwner()
    {
        if (m_dialog)
            SetWindowOwner(this, OwnerWidget(*m_dialog));
    }
    bool OwnerOnScreen() const
    {
        QWidget* owner = m_dialog ? OwnerWidget(*m_dialog) : nullptr;
        return owner && owner->isVisible();
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show && event->type() != QEvent::Paint)
            return false;
        QWidget* owner = m_dialog ? OwnerWidget(*m_dialog) : nullptr;
        if (!owner || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != owner)
            return false;
        AttachToOwner();
        if (event->type() == QEvent::Paint)
            qApp->removeEventFilter(this);
        return false;
    }
    // The window is closed: no more input reaches it.
    void Detach()
    {
        m_dialog = nullptr;
        m_strip->setEnabled(false);
        hide();
    }
    // The window object is being deleted: the menu mirror lets go of its menu
    // now, the widget goes when Qt next gets the chance.
    void Release()
    {
        delete m_menu;
        m_menu = nullptr;
        Detach();
        deleteLater();
    }

protected:
    void changeEvent(QEvent* e) override
    {
        QWidget::changeEvent(e);
        if (e->type() == QEvent::WindowStateChange && m_dialog)
            m_dialog->OnMinimize(isMinimized());
    }
    // Moved by the user or framed by the window manager: the window's
    // rectangle goes along, so the place it is closed at is the one remembered.
    void moveEvent(QMoveEvent* e) override
    {
        QWidget::moveEvent(e);
        if (!m_dialog || m_placing || !isVisible() || isMinimized())
            return;
        // Framed or moved, the window is where the window manager put it.
        m_placement.OnMoved(this);
        CRect r;
        m_dialog->GetWindowRect(&r);
        const CPoint corner = OuterRect(this).TopLeft();
        if (corner != r.TopLeft())
            m_dialog->MoveWindow(corner.x, corner.y, r.Width(), r.Height());
    }
    void closeEvent(QCloseEvent* e) override
    {
        e->ignore();
        if (m_dialog)
            m_dialog->OnCloseBox();
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Escape && m_dialog)
            m_dialog->OnCancel();
        else
            QWidget::keyPressEvent(e);
    }

private:
    CFilmSnapDlg* m_dialog;
    StripWidget* m_strip;
    QtMenuMirror* m_menu;
    bool m_placing = false;
    TopLevelPlacement m_placement;
};

class QtFilmView : public CFilmView {
public:
    explicit QtFilmView(CFilmSnapDlg& dialog) : m_widget(new FilmWindowWidget(dialog))
    {
        // Shown now, even while the program starts and its main window is not
        // on screen to own it yet: a window shown later is placed by its
        // client area by some window managers, a title bar's height too high.
        m_widget->ShowBesideOwner();
    }
    QWidget* Widget() const { return m_widget; }
    ~QtFilmView() override
    {
        if (m_widget)
            m_widget->Release();
    }
    void Close() override
    {
        if (m_widget)
            m_widget->Detach();
    }
    void Update() override
    {
        if (m_widget)
            m_widget->Sync();
    }

private:
    QPointer<FilmWindowWidget> m_widget;
};

std::unique_ptr<CFilmView> MakeQtFilmView(CFilmSnapDlg& dialog)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    return std::make_unique<QtFilmView>(dialog);
}

const bool g_registered = (SetFilmViewFactory(&MakeQtFilmView), true);

} // namespace

void PaintFilmStrip(QPainter& p, CFilmSnapDlg& dialog)
{
    FilmPaintPlan plan = dialog.PaintPlan();
    if (plan.iconic) {
        // Nothing but the icon: the background brush is hollow.
        PaintFilmRollIcon(p, QRectF(plan.iconAt.x, plan.iconAt.y, kFilmIconSize, kFilmIconSize));
        return;
    }
    CRect client;
    dialog.GetClientRect(&client);
    QColor menu = FromColorRef(GetSysColorVer());
    p.fillRect(ToQRect(client), menu);

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 3));
    p.setBrush(Qt::black);
    p.drawRect(ToQRect(plan.band));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(FromColorRef(kHoleFill));
    for (const CRect& hole : plan.holes)
        p.drawRoundedRect(QRectF(ToQRect(hole)).adjusted(0, 0, -1, -1), 1.5, 1.5);

    for (int k = 0; k < 3; ++k)
        PaintFrame(p, dialog.Frame(k), dialog.ControlRect(dialog.Frame(k)));
    p.setBrush(Qt::NoBrush);
    for (const FilmPaintPlan::Mark& mark : plan.marks) {
        QRectF r = QRectF(ToQRect(mark.rect));
        if (mark.selected) {
            p.setPen(QPen(FromColorRef(kMarkSelected), 1));
            p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
        } else {
            p.setPen(QPen(Qt::black, 4));
            p.drawRect(r.adjusted(2, 2, -2, -2));
        }
    }

    p.setPen(Qt::black);
    for (int k = 0; k < 3; ++k) {
        CWnd& number = dialog.Number(k);
        if (number.IsWindowVisible())
            p.drawText(ToQRect(dialog.ControlRect(number)), Qt::AlignCenter, QString(number.GetWindowText().GetString()));
    }
    if (plan.showTrash)
        PaintTrash(p, ToQRect(plan.trash));
    if (plan.showCounter)
        for (int i = 0; i < 5; ++i)
            PaintGlyph(p, QRectF(plan.counterAt.x + i * CCountDownTime::kGlyphWidth, plan.counterAt.y,
                                 CCountDownTime::kGlyphWidth, CCountDownTime::kGlyphHeight),
                       plan.counterGlyphs[size_t(i)]);
    PaintCanister(p, QPointF(plan.canister.x, plan.canister.y));
}

int CDeleteAllDlg::ShowModalWidget()
{
    QMessageBox box(QMessageBox::Question, CDeleteAllDlg::kCaption,
                    QString(CDeleteAllDlg::kText) + "\n\n" + CDeleteAllDlg::kQuestion,
                    QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
}
