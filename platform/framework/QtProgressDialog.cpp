// The progress dialog on screen: the bar and an Abort button, kept up while
// the framework's modal loop runs the work.
#include "framework/ProgressDialog.h"

#include "framework/UiService.h"

#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor kBlue(0, 0, 255);

class ProgressBar : public QWidget {
public:
    ProgressBar(const CProgressDialog& dialog, QWidget* parent) : QWidget(parent), m_dialog(dialog)
    {
        setObjectName("progressBar");
        setMinimumSize(240, 24);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        DrawProgressBar(painter, rect(), m_dialog.GetPercent());
    }

private:
    const CProgressDialog& m_dialog;
};

// Escape and the window's close box count as Abort; only the work closes it.
class ProgressWindow : public QDialog {
public:
    explicit ProgressWindow(CProgressDialog& dialog) : m_dialog(dialog) {}
    void reject() override { m_dialog.OnCancel(); }

private:
    CProgressDialog& m_dialog;
};

}  // namespace

void DrawProgressBar(QPainter& painter, const QRect& rect, int percent)
{
    const int shown = std::clamp(percent, 0, 100);
    const QRect blue(rect.left(), rect.top(), rect.width() * shown / 100, rect.height());
    const QRect white(blue.right() + 1, rect.top(), rect.width() - blue.width(), rect.height());
    const QString text = QString::asprintf("%3d%%", shown);
    painter.save();
    auto part = [&](const QRect& area, const QColor& fill, const QColor& ink) {
        painter.setClipRect(area);
        painter.fillRect(area, fill);
        painter.setPen(ink);
        painter.drawText(rect, Qt::AlignCenter, text);
    };
    part(blue, kBlue, Qt::white);
    part(white, Qt::white, kBlue);
    painter.setClipping(false);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

int CProgressDialog::ShowModalWidget()
{
    ProgressWindow window(*this);
    window.setWindowTitle(QString::fromLocal8Bit(m_title.GetString()));
    window.setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(&window);
    auto* bar = new ProgressBar(*this, &window);
    layout->addWidget(bar);
    auto* abort = new QPushButton("Abort", &window);
    abort->setObjectName("abort");
    layout->addWidget(abort, 0, Qt::AlignHCenter);
    QObject::connect(abort, &QPushButton::clicked, &window, [this] { OnCancel(); });
    onChanged = [bar] { bar->repaint(); };
    pumpInput = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    window.show();
    RunModalLoop([this] { return IsEnded(); });
    onChanged = nullptr;
    pumpInput = nullptr;
    return IsEnded() ? GetResult() : IDCANCEL;
}
