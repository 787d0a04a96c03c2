#include "framework/QtFrame.h"

#include "framework/DocView.h"
#include "framework/QtCommands.h"
#include "framework/WinApp.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>

QtFrameWindow::QtFrameWindow(CFrameWnd& frame, TipFn tip) : m_frame(frame), m_tip(std::move(tip))
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
    for (UINT id : bar.Buttons()) {
        if (id == ID_SEPARATOR) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_toolBar->addAction(m_tip ? m_tip(id) : QString::number(id));
        action->setToolTip(action->text());
        m_binder->Bind(action, id);
    }
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

QPushButton* QtFrameWindow::ShowButton(CButton& button)
{
    auto* push = new QPushButton(m_viewWidget);
    push->setFocusPolicy(Qt::NoFocus);
    CButton* logic = &button;
    auto sync = [logic, p = QPointer<QPushButton>(push)] {
        if (!p)
            return;
        CRect r;
        logic->GetWindowRect(&r);
        CPoint origin = r.TopLeft();
        if (CWnd* parent = logic->GetParent())
            parent->ScreenToClient(&origin);
        p->setGeometry(origin.x, origin.y, r.Width(), r.Height());
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
    connect(push, &QPushButton::clicked, this, [logic] { logic->Click(); });
    sync();
    return push;
}

void QtFrameWindow::closeEvent(QCloseEvent* event)
{
    // The frame closes itself (saving what it must) and the window goes with it.
    event->ignore();
    if (m_frame.m_hWnd)
        m_frame.Close();
}
