// The widgets of the two auto-capture dialogs: they show the dialog object's
// state and hand every action to it; the rules stay in AutoCaptureDialogs.cpp.
#include "AutoCaptureDialogs.h"
#include "TimeButtonWidget.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "resource.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr const char* kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kWebPageHint =
    "To update a Web page automatically, link the filename in the \"Save Latest Image As:\" to your HTML script.";

QString Text(const CString& text) { return QString::fromLocal8Bit(text.GetString()); }
CString Local(const QString& text) { return CString(text.toLocal8Bit().toStdString()); }

// Drops typed characters the edit's filter refuses; pasted text is held to
// the same length by the edit itself.
class TypedCharFilter : public QObject {
public:
    TypedCharFilter(QLineEdit* edit, const CEditFilter& filter) : QObject(edit), m_edit(edit), m_filter(filter)
    {
        edit->setMaxLength(filter.limit);
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_edit || event->type() != QEvent::KeyPress)
            return false;
        const QByteArray typed = static_cast<QKeyEvent*>(event)->text().toLocal8Bit();
        if (typed.size() != 1)
            return false;
        const int length = int(m_edit->text().toLocal8Bit().size());
        const int selected = int(m_edit->selectedText().toLocal8Bit().size());
        return !AcceptTypedChar(m_filter, length, selected, static_cast<unsigned char>(typed[0]));
    }

private:
    QLineEdit* m_edit;
    const CEditFilter& m_filter;
};

QPushButton* Button(const char* text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// The dialog font at normal weight, which every child control inherits.
void UseNormalWeight(QDialog& d, int weight)
{
    QFont font = d.font();
    font.setWeight(QFont::Weight(weight));
    d.setFont(font);
}

QLineEdit* Edit(const CString& text, const CEditFilter& filter, const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(Text(text), parent);
    edit->setObjectName(name);
    new TypedCharFilter(edit, filter);
    return edit;
}

QHBoxLayout* OkCancel(QDialog& d, QPushButton* ok, QPushButton* extra = nullptr)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    ok->setDefault(true);
    row->addWidget(ok);
    QPushButton* cancel = Button("Cancel", "cancel", &d);
    QObject::connect(cancel, &QPushButton::clicked, &d, &QDialog::reject);
    row->addWidget(cancel);
    if (extra)
        row->addWidget(extra);
    return row;
}

QtTimeButton* TimeButton(CTimeButton& button, const char* name, QWidget* parent)
{
    auto* widget = new QtTimeButton(button, parent);
    widget->setObjectName(name);
    return widget;
}

} // namespace

int CAutoCaptureDlg::ShowModalWidget()
{
    QDialog d;
    d.setWindowTitle("Auto Capture Options");
    UseNormalWeight(d, kFontWeight);
    auto* layout = new QVBoxLayout(&d);

    auto* list = new QComboBox(&d);
    list->setObjectName("intervalList");
    for (UINT id : ListStrings())
        list->addItem(Text(LoadStringText(id)));
    list->setCurrentIndex(listEntry);
    auto* listLabel = new QLabel("&Take Picture Every:", &d);
    listLabel->setBuddy(list);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(listLabel);
    listRow->addWidget(list, 1);
    layout->addLayout(listRow);

    auto* latestGroup = new QGroupBox("Save Latest Image As", &d);
    auto* latestRow = new QHBoxLayout(latestGroup);
    QLineEdit* latest = Edit(latestImageName, kLatestImageFilter, "latestImage", latestGroup);
    QPushButton* browse = Button("B&rowse...", "browse", latestGroup);
    latestRow->addWidget(latest, 1);
    latestRow->addWidget(browse);
    layout->addWidget(latestGroup);

    auto* seriesBox = new QCheckBox("Create File &Series", &d);
    seriesBox->setObjectName("series");
    seriesBox->setChecked(series);
    QLineEdit* increment = Edit(incrementName, kIncrementNameFilter, "increment", &d);
    auto* incrementLabel = new QLabel("&Increment File Name:", &d);
    incrementLabel->setBuddy(increment);
    auto* incrementRow = new QHBoxLayout;
    incrementRow->addWidget(incrementLabel);
    incrementRow->addWidget(increment, 1);
    layout->addWidget(seriesBox);
    layout->addLayout(incrementRow);

    auto* hint = new QLabel(kWebPageHint, &d);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    QPushButton* ok = Button("OK", "ok", &d);
    QPushButton* help = Button("&Help", "help", &d);
    layout->addLayout(OkCancel(d, ok, help));

    auto showSeries = [&] {
        increment->setEnabled(IncrementEnabled());
        incrementLabel->setEnabled(IncrementEnabled());
    };
    showSeries();
    QObject::connect(list, &QComboBox::activated, &d, [&](int entry) {
        OnSelectEntry(entry);
        list->setCurrentIndex(listEntry);
    });
    QObject::connect(latest, &QLineEdit::textEdited, &d, [&](const QString& t) { latestImageName = Local(t); });
    QObject::connect(increment, &QLineEdit::textEdited, &d, [&](const QString& t) { incrementName = Local(t); });
    QObject::connect(seriesBox, &QCheckBox::toggled, &d, [&](bool on) {
        OnSeriesClicked(on);
        showSeries();
    });
    QObject::connect(browse, &QPushButton::clicked, &d, [&] {
        OnBrowse();
        latest->setText(Text(latestImageName));
    });
    QObject::connect(help, &QPushButton::clicked, &d, [&] { OnHelp(); });
    QObject::connect(ok, &QPushButton::clicked, &d, [&] {
        OnOK();
        if (IsEnded()) {
            d.accept();
        } else if (LastRefusal() == Refusal::LatestImageName) {
            latest->setFocus();
            latest->selectAll();
        } else if (LastRefusal() == Refusal::IncrementName) {
            increment->setFocus();
        }
    });
    return d.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

int CAutoCaptureOtherDlg::ShowModalWidget()
{
    QDialog d;
    d.setWindowTitle("Auto-Capture Options:");
    auto* layout = new QVBoxLayout(&d);

    auto* interval = new QLineEdit(Text(intervalText), &d);
    interval->setObjectName("interval");
    auto* unit = new QComboBox(&d);
    unit->setObjectName("unit");
    for (UINT id : {IDS_UNIT_SECONDS, IDS_UNIT_MINUTES, IDS_UNIT_HOURS})
        unit->addItem(Text(LoadStringText(id)));
    unit->setCurrentIndex(unitEntry);
    auto* intervalLabel = new QLabel("Take picture &every:", &d);
    intervalLabel->setBuddy(interval);
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(intervalLabel);
    intervalRow->addWidget(interval);
    intervalRow->addWidget(unit);
    layout->addLayout(intervalRow);

    auto* daysGroup = new QGroupBox("Days", &d);
    auto* daysRow = new QHBoxLayout(daysGroup);
    QCheckBox* days[std::size(kDayNames)];
    for (size_t day = 0; day < std::size(kDayNames); ++day) {
        days[day] = new QCheckBox(kDayNames[day], daysGroup);
        days[day]->setObjectName(QString("day%1").arg(day));
        days[day]->setChecked(dayChecks[day]);
        daysRow->addWidget(days[day]);
    }
    layout->addWidget(daysGroup);

    auto* allDayRadio = new QRadioButton("All &day", &d);
    allDayRadio->setObjectName("allDay");
    auto* specific = new QRadioButton("Sp&ecific time interval", &d);
    specific->setObjectName("specific");
    (allDay ? allDayRadio : specific)->setChecked(true);
    auto* window = new QHBoxLayout;
    auto* between = new QLabel("Active between:", &d);
    auto* andLabel = new QLabel("and", &d);
    QtTimeButton* beginTimeButton = TimeButton(beginTime, "beginTime", &d);
    QtTimeButton* endTimeButton = TimeButton(endTime, "endTime", &d);
    for (QWidget* w : std::initializer_list<QWidget*>{between, beginTimeButton, andLabel, endTimeButton})
        window->addWidget(w);
    window->addStretch();
    layout->addWidget(allDayRadio);
    layout->addWidget(specific);
    layout->addLayout(window);

    auto* dates = new QHBoxLayout;
    auto* until = new QCheckBox("&until", &d);
    until->setObjectName("until");
    until->setChecked(useEnd);
    QtTimeButton* endDateButton = TimeButton(endDate, "endDate", &d);
    dates->addWidget(new QLabel("Starting", &d));
    dates->addWidget(TimeButton(beginDate, "beginDate", &d));
    dates->addWidget(until);
    dates->addWidget(endDateButton);
    dates->addStretch();
    layout->addLayout(dates);

    auto* warningBox = new QCheckBox("Play &warning sound before capture", &d);
    warningBox->setObjectName("warning");
    warningBox->setChecked(warning);
    layout->addWidget(warningBox);

    QPushButton* ok = Button("OK", "ok", &d);
    layout->addLayout(OkCancel(d, ok));

    auto showEnabled = [&] {
        for (QWidget* w : std::initializer_list<QWidget*>{between, beginTimeButton, andLabel, endTimeButton})
            w->setEnabled(TimeButtonsEnabled());
        endDateButton->setEnabled(EndDateEnabled());
    };
    showEnabled();
    QObject::connect(allDayRadio, &QRadioButton::toggled, &d, [&](bool on) {
        allDay = on;
        showEnabled();
    });
    QObject::connect(until, &QCheckBox::toggled, &d, [&](bool on) {
        useEnd = on;
        showEnabled();
    });
    QObject::connect(ok, &QPushButton::clicked, &d, [&] {
        intervalText = Local(interval->text());
        unitEntry = unit->currentIndex();
        for (size_t day = 0; day < std::size(kDayNames); ++day)
            dayChecks[day] = days[day]->isChecked();
        warning = warningBox->isChecked();
        OnOK();
        if (IsEnded()) {
            d.accept();
        } else if (IntervalRefused()) {
            interval->setFocus();
            interval->selectAll();
        }
    });
    return d.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}
