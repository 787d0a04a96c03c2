#include "ViewerView.h"

#include "ViewerWnd.h"
#include "framework/QtCommands.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// The picture area: draws the picture where the viewer says and reports its
// own size as the viewer's page.
class PictureArea : public QWidget {
public:
    explicit PictureArea(CViewerWnd& viewer) : m_viewer(viewer)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setMinimumSize(80, 60);
        setAutoFillBackground(false);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const std::vector<uint32_t>* pixels = m_viewer.Pixels();
        // Only an empty viewer erases: a picture paints over its own area.
        p.fillRect(rect(), palette().window());
        if (!pixels || pixels->empty())
            return;
        CSize size = m_viewer.PictureSize();
        QImage image(reinterpret_cast<const uchar*>(pixels->data()), int(size.cx), int(size.cy),
                     int(size.cx) * 4, QImage::Format_ARGB32);
        CPoint at = m_viewer.DrawOrigin();
        p.drawImage(QPoint(int(at.x), int(at.y)), image);
    }
    void resizeEvent(QResizeEvent*) override
    {
        m_viewer.SendMessage(WM_SIZE, 0, LPARAM(MAKELONG(WORD(width()), WORD(height()))));
    }

private:
    CViewerWnd& m_viewer;
};

class ViewerWidget : public QWidget {
public:
    explicit ViewerWidget(CViewerWnd& viewer) : m_viewer(viewer)
    {
        setWindowTitle("Viewer");
        auto* layout = new QGridLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* bar = new QMenuBar(this);
        layout->setMenuBar(bar);
        m_area = new PictureArea(viewer);
        m_area->setObjectName("picture");
        m_horizontal = new QScrollBar(Qt::Horizontal, this);
        m_vertical = new QScrollBar(Qt::Vertical, this);
        layout->addWidget(m_area, 0, 0);
        layout->addWidget(m_vertical, 0, 1);
        layout->addWidget(m_horizontal, 1, 0);
        connect(m_horizontal, &QScrollBar::actionTriggered, this, [this](int a) { OnAction(false, a); });
        connect(m_vertical, &QScrollBar::actionTriggered, this, [this](int a) { OnAction(true, a); });
        m_menu = new QtMenuMirror(viewer.Menu(), bar, viewer);
        m_menu->setParent(this);
        Sync();
    }
    ~ViewerWidget() override { delete m_menu; }

    void Sync()
    {
        CSize range = m_viewer.ScrollRange();
        CSize page = m_viewer.PageSize();
        CPoint pos = m_viewer.ScrollPosition();
        SyncBar(m_horizontal, int(range.cx), int(page.cx), int(pos.x));
        SyncBar(m_vertical, int(range.cy), int(page.cy), int(pos.y));
        m_area->update();
    }
    CSize AreaSize() const { return CSize(m_area->width(), m_area->height()); }

protected:
    void closeEvent(QCloseEvent* e) override
    {
        // The viewer hides itself; the widget is never closed by Qt.
        e->ignore();
        m_viewer.SendMessage(WM_CLOSE);
    }

private:
    static void SyncBar(QScrollBar* bar, int range, int page, int pos)
    {
        QSignalBlocker block(bar);
        bar->setVisible(range > 0);
        bar->setRange(0, std::max(0, range - page));
        bar->setPageStep(std::max(1, page));
        bar->setSingleStep(16);
        bar->setValue(pos);
    }

    void OnAction(bool vertical, int action)
    {
        static const std::pair<int, UINT> codes[] = {
            {QAbstractSlider::SliderSingleStepSub, SB_LINELEFT}, {QAbstractSlider::SliderSingleStepAdd, SB_LINERIGHT},
            {QAbstractSlider::SliderPageStepSub, SB_PAGELEFT},   {QAbstractSlider::SliderPageStepAdd, SB_PAGERIGHT},
            {QAbstractSlider::SliderToMinimum, SB_LEFT},         {QAbstractSlider::SliderToMaximum, SB_RIGHT},
            {QAbstractSlider::SliderMove, SB_THUMBTRACK}};
        QScrollBar* bar = vertical ? m_vertical : m_horizontal;
        for (auto [qt, code] : codes)
            if (qt == action)
                m_viewer.SendMessage(vertical ? WM_VSCROLL : WM_HSCROLL,
                                     WPARAM(DWORD(MAKELONG(WORD(code), WORD(bar->sliderPosition())))), 0);
        // The viewer decides where the picture stands, not the slider.
        QSignalBlocker block(bar);
        CPoint pos = m_viewer.ScrollPosition();
        bar->setSliderPosition(int(vertical ? pos.y : pos.x));
    }

    CViewerWnd& m_viewer;
    PictureArea* m_area;
    QScrollBar* m_horizontal;
    QScrollBar* m_vertical;
    QtMenuMirror* m_menu;
};

class QtViewerView : public CViewerView {
public:
    explicit QtViewerView(CViewerWnd& viewer) : m_widget(new ViewerWidget(viewer)) {}
    ~QtViewerView() override { delete m_widget; }
    QWidget* Widget() const override { return m_widget; }
    void Update() override
    {
        if (m_widget)
            m_widget->Sync();
    }
    CSize ClientSize() const override { return m_widget ? m_widget->AreaSize() : CSize(); }

private:
    QPointer<ViewerWidget> m_widget;
};

} // namespace

std::unique_ptr<CViewerView> MakeViewerView(CViewerWnd& viewer)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    return std::make_unique<QtViewerView>(viewer);
}
