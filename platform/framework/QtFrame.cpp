#include "framework/QtFrame.h"

#include "framework/Controls.h"
#include "framework/DocView.h"
#include "framework/QtCommands.h"
#include "framework/WinApp.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>

QtFrameWindow::QtFrameWindow(CFrameWnd& frame, TipFn tip, PictureFn picture)
    : m_frame(frame), m_tip(std::move(tip)), m_picture(std::move(picture))
{
    m_viewWidget = new QWidget(this);
    m_viewWidget->setFocusPolicy(Qt::StrongFocus);
    setCentralWidget(m_viewWidget);
    m_menuMirror = std::make_unique<QtMenuMirror>(frame.GetMenu(), menuBar(), frame);
    m_binder = std::make_unique<CommandBinder>(frame, AfxGetApp());
    frame.SetLayoutByWidget(true);
    const MINMAXINFO limits = frame.QueryMinMaxInfo();
    setMaximumSize(limits.ptMaxTrackSize.x, limits.ptMaxTrackSize.y);
    frame.AttachWidget(this);
    if (CView* view = frame.GetActiveView())
        view->AttachWidget(m_viewWidget);
}

QtFrameWindow::~QtFrameWindow()
{
    if (CView* view = m_frame.GetActiveView())
        view->AttachWidget(nullptr);
    m_frame.AttachWidget(nullptr);
}

void QtFrameWindow::ShowToolBar(CToolBar& bar)
{
    m_toolBar = addToolBar("Toolbar");
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(24, 24));
    int picture = 0;
    for (UINT id : bar.Buttons()) {
        if (id == ID_SEPARATOR) {
            m_toolBar->addSeparator();
            continue;
        }
        const QString text = m_tip ? m_tip(id) : QString::number(id);
        QAction* action = m_toolBar->addAction(text);
        if (m_picture)
            action->setIcon(m_picture(bar.GetBitmapId(), picture++));
        action->setToolTip(text);
        // The command named in the status bar while the pointer is over it.
        if (bar.GetBarStyle() & CBRS_FLYBY)
            action->setStatusTip(text);
        m_binder->Bind(action, id);
    }
    m_toolBar->setToolButtonStyle(m_picture ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    m_toolBar->setVisible(bar.IsShown());
    bar.onVisibility = [tb = QPointer<QToolBar>(m_toolBar)](bool visible) {
        if (tb)
            tb->setVisible(visible);
    };
}

void QtFrameWindow::ShowStatusBar(CStatusBar& bar)
{
    m_statusLabel = new QLabel(this);
    statusBar()->addWidget(m_statusLabel, 1);
    m_statusLabel->setText(QString::fromLocal8Bit(bar.GetPaneText(0).GetString()));
    statusBar()->setVisible(bar.IsShown());
    bar.onPaneText = [label = QPointer<QLabel>(m_statusLabel)](int index, const CString& text) {
        if (label && index == 0)
            label->setText(QString::fromLocal8Bit(text.GetString()));
    };
    bar.onVisibility = [sb = QPointer<QStatusBar>(statusBar())](bool visible) {
        if (sb)
            sb->setVisible(visible);
    };
}

void QtFrameWindow::SyncViewGeometry()
{
    if (layout())
        layout()->activate();
    CView* view = m_frame.GetActiveView();
    if (!view)
        return;
    // A hidden widget hears of its new size only once shown: tell the view now.
    const QRect r = m_viewWidget->geometry();
    view->MoveWindow(r.x(), r.y(), r.width(), r.height());
}

QRect GeometryInParent(const CWnd& control)
{
    CRect r;
    control.GetWindowRect(&r);
    CPoint origin = r.TopLeft();
    if (CWnd* parent = control.GetParent())
        parent->ScreenToClient(&origin);
    return QRect(int(origin.x), int(origin.y), int(r.Width()), int(r.Height()));
}

QPushButton* QtFrameWindow::ShowButton(CButton& button) { return MirrorButton(button, m_viewWidget); }

QSlider* QtFrameWindow::ShowSlider(CSliderCtrl& slider) { return MirrorSlider(slider, m_viewWidget); }

QPushButton* MirrorButton(CButton& button, QWidget* parent)
{
    auto* push = new QPushButton(parent);
    push->setFocusPolicy(Qt::NoFocus);
    CButton* logic = &button;
    auto sync = [logic, p = QPointer<QPushButton>(push)] {
        if (!p)
            return;
        p->setGeometry(GeometryInParent(*logic));
        QString text = QString::fromLocal8Bit(logic->GetWindowText().GetString());
        p->setText(text);
        p->setEnabled(logic->IsWindowEnabled());
        p->setVisible(logic->m_hWnd && logic->GetShowState() != SW_HIDE);
        if (!logic->FontFace().IsEmpty()) {
            QFont font(QString::fromLocal8Bit(logic->FontFace().GetString()));
            font.setPixelSize(logic->FontHeight());
            p->setFont(font);
        }
    };
    button.onChanged = sync;
    QObject::connect(push, &QPushButton::clicked, push, [logic] { logic->Click(); });
    sync();
    return push;
}

QSlider* MirrorSlider(CSliderCtrl& slider, QWidget* parent)
{
    auto* qt = new QSlider(Qt::Horizontal, parent);
    qt->setFocusPolicy(Qt::NoFocus);
    CSliderCtrl* logic = &slider;
    auto sync = [logic, q = QPointer<QSlider>(qt)] {
        if (!q)
            return;
        QSignalBlocker block(q);
        int low = 0, high = 0;
        logic->GetScrollRange(&low, &high);
        q->setRange(low, high);
        q->setValue(logic->GetPos());
        q->setGeometry(GeometryInParent(*logic));
        q->setEnabled(logic->IsWindowEnabled());
        q->setVisible(logic->m_hWnd && logic->GetShowState() != SW_HIDE);
    };
    slider.onChanged = sync;
    QObject::connect(qt, &QAbstractSlider::actionTriggered, qt, [logic, qt](int action) {
        static const std::pair<int, UINT> codes[] = {
            {QAbstractSlider::SliderSingleStepSub, TB_LINEUP}, {QAbstractSlider::SliderSingleStepAdd, TB_LINEDOWN},
            {QAbstractSlider::SliderPageStepSub, TB_PAGEUP},   {QAbstractSlider::SliderPageStepAdd, TB_PAGEDOWN},
            {QAbstractSlider::SliderToMinimum, TB_TOP},        {QAbstractSlider::SliderToMaximum, TB_BOTTOM},
            {QAbstractSlider::SliderMove, TB_THUMBTRACK}};
        for (auto [qtAction, code] : codes)
            if (qtAction == action)
                logic->Scroll(code, qt->sliderPosition());
        // The logic decides where the thumb stands (it may snap it back).
        qt->setSliderPosition(logic->GetPos());
    });
    QObject::connect(qt, &QAbstractSlider::sliderReleased, qt, [logic, qt] {
        logic->Scroll(TB_THUMBPOSITION, qt->sliderPosition());
        logic->Scroll(TB_ENDTRACK, qt->sliderPosition());
    });
    sync();
    return qt;
}

void QtFrameWindow::closeEvent(QCloseEvent* event)
{
    // The frame closes itself (saving what it must) and the window goes with it.
    event->ignore();
    if (m_frame.m_hWnd)
        m_frame.Close();
}
