// The windows of the V4L2 cameras' dialogs: the panels with OK and Cancel.
#include "capture/v4l2_dialog_widgets.h"
#include "capture/v4l2_dialogs.h"

#include "framework/UiService.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace capture {

namespace {

QDialogButtonBox* AddButtons(QDialog& window, QVBoxLayout* column)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    column->addWidget(buttons);
    return buttons;
}

}  // namespace

int V4l2SourceDialog::ShowModalWidget()
{
    QDialog window;
    window.setWindowTitle("Video Source");
    auto* column = new QVBoxLayout(&window);
    column->addWidget(new CameraControlsPanel(controls, &window));
    QObject::connect(AddButtons(window, column), &QDialogButtonBox::accepted, &window, &QDialog::accept);
    return window.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

int V4l2FormatDialog::ShowModalWidget()
{
    QDialog window;
    window.setWindowTitle("Video Format");
    auto* column = new QVBoxLayout(&window);
    auto* panel = new CameraFormatPanel(model, &window);
    panel->SetApplier([this](const FormatChoice& c, AppliedFormat& a, std::string& e) { return Apply(c, a, e); });
    panel->Select(choice);
    column->addWidget(panel);
    QObject::connect(AddButtons(window, column), &QDialogButtonBox::accepted, &window, [this, panel, &window] {
        choice = panel->Choice();
        OnOK();
        if (IsEnded())
            window.accept();
    });
    return window.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

}  // namespace capture
