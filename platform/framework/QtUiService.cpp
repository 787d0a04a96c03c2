#include "framework/QtUiService.h"

#include "framework/Dialog.h"
#include "framework/QtCommands.h"
#include "framework/QtWnd.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <cstring>

namespace {

bool HaveGui() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

// The top-level widget showing the window `owner`, or null.
QWidget* OwnerWidget(HWND owner)
{
    auto* window = dynamic_cast<CQtWnd*>(CWnd::FromHandle(owner));
    QWidget* widget = window ? window->Widget() : nullptr;
    return widget ? widget->window() : nullptr;
}

QMessageBox::StandardButton ToQt(int result)
{
    switch (result) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    default: return QMessageBox::No;
    }
}

COLORREF ToColorRef(const QColor& c) { return RGB(BYTE(c.red()), BYTE(c.green()), BYTE(c.blue())); }

QString Text(const char* s) { return QString::fromLocal8Bit(s ? s : ""); }

// A file dialog that checks a confirmed name before it closes, so a refused
// name leaves the dialog open with the name as typed.
class CheckedFileDialog : public QFileDialog {
public:
    CheckedFileDialog(const FileDialogRequest& request, QWidget* owner, const QString& start, const QString& filters)
        : QFileDialog(owner, Text(request.title), start, filters), m_request(request)
    {
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const CString refusal = FileDialogRefusal(m_request, files.first().toLocal8Bit().constData());
            if (!refusal.IsEmpty()) {
                QMessageBox::warning(this, windowTitle(), Text(refusal));
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    const FileDialogRequest& m_request;
};

// The request's extra button, put beside the file name field of Qt's own
// dialog (a desktop's dialog has no place for it).
void AddExtraButton(QFileDialog& dialog, const FileDialogRequest& request)
{
    if (request.extraButton.IsEmpty())
        return;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
    auto* button = new QPushButton(Text(request.extraButton), &dialog);
    button->setObjectName("extraButton");
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&request] {
        if (request.onExtraButton)
            request.onExtraButton();
    });
    const int index = grid && edit ? grid->indexOf(edit) : -1;
    if (index < 0) {
        // Qt's layout changed: the button still shows, under the dialog.
        dialog.layout()->addWidget(button);
        return;
    }
    int row = 0, column = 0, rows = 1, columns = 1;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    grid->removeWidget(edit);
    auto* line = new QHBoxLayout;
    line->addWidget(edit, 1);
    line->addWidget(button);
    grid->addLayout(line, row, column, rows, columns);
}

} // namespace

int QtUiService::MessageBox(HWND, const char* text, const char* caption, UINT type, UINT)
{
    if (!HaveGui())
        return DefaultButtonResult(type);
    QMessageBox box;
    box.setWindowTitle(Text(caption));
    box.setText(Text(text));
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (int result : MessageBoxButtons(type))
        buttons.emplace_back(box.addButton(ToQt(result)), result);
    const int def = DefaultButtonResult(type);
    for (auto& [button, result] : buttons)
        if (result == def)
            box.setDefaultButton(qobject_cast<QPushButton*>(button));
    m_boxes.push_back(&box);
    box.exec();
    std::erase(m_boxes, &box);
    for (auto& [button, result] : buttons)
        if (box.clickedButton() == button)
            return result;
    // Closed by the window manager: the box's cancel answer, else its default.
    for (auto& [button, result] : buttons)
        if (result == IDCANCEL)
            return result;
    return def;
}

BOOL QtUiService::PressDefaultButton()
{
    if (m_boxes.empty())
        return FALSE;
    QMessageBox* box = m_boxes.back();
    if (QPushButton* button = box->defaultButton()) {
        button->click();
        return TRUE;
    }
    return FALSE;
}

int QtUiService::RunDialog(CDialog& dialog)
{
    dialog.BeginModal();
    return HaveGui() ? dialog.ShowModalWidget() : IDCANCEL;
}

BOOL QtUiService::GetFileName(FileDialogRequest& request)
{
    if (!HaveGui())
        return FALSE;
    QStringList filters = Text(QtFilterFromWindowsFilter(request.filter)).split(";;", Qt::SkipEmptyParts);
    CheckedFileDialog dialog(request, OwnerWidget(request.owner),
                             QDir(Text(request.initialDir)).filePath(Text(request.fileName)), filters.join(";;"));
    // Only Qt's own dialog asks the validator before it closes.
    if (request.validate)
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    AddExtraButton(dialog, request);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save || !(request.flags & OFN_FILEMUSTEXIST) ? QFileDialog::AnyFile
                                                                             : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(request.flags & OFN_OVERWRITEPROMPT));
    // Given to the dialog, so the name it asks about overwriting is the full one.
    QString suffix = Text(request.defaultExt);
    if (suffix.startsWith('.'))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return FALSE;
        const QString path = dialog.selectedFiles().first();
        const CString refusal = FileDialogRefusal(request, path.toLocal8Bit().constData());
        if (!refusal.IsEmpty()) {
            // Asked again, as the user may only have mistyped a folder.
            QMessageBox::warning(&dialog, dialog.windowTitle(), Text(refusal));
            continue;
        }
        request.fileName = path.toLocal8Bit().constData();
        request.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
        return TRUE;
    }
}

BOOL QtUiService::PlaySound(const char* path, UINT)
{
    // Sound files are played by the audio layer; here only a bell is possible.
    if (!HaveGui() || !path || !QFileInfo::exists(Text(path)))
        return FALSE;
    QApplication::beep();
    return TRUE;
}

BOOL QtUiService::Beep(UINT)
{
    if (!HaveGui())
        return FALSE;
    QApplication::beep();
    return TRUE;
}

BOOL QtUiService::SetClipboardDib(const void* dib, size_t size)
{
    if (!HaveGui() || !dib || size < sizeof(BITMAPINFOHEADER))
        return FALSE;
    // Qt reads whole BMP files: put the file header in front of the packed bitmap.
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    if (header.biSize < sizeof header || header.biSize > size)
        return FALSE;
    uint64_t colours = header.biClrUsed ? header.biClrUsed
                       : header.biBitCount <= 8 ? (uint64_t(1) << header.biBitCount) : 0;
    if (header.biCompression == BI_BITFIELDS)
        colours = 3;
    uint64_t offBits = sizeof(BITMAPFILEHEADER) + header.biSize + colours * sizeof(RGBQUAD);
    if (offBits > sizeof(BITMAPFILEHEADER) + size)
        return FALSE;
    BITMAPFILEHEADER file{BMP_SIGNATURE, DWORD(sizeof(BITMAPFILEHEADER) + size), 0, 0, DWORD(offBits)};
    QByteArray bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(static_cast<const char*>(dib), qsizetype(size));
    QImage image;
    if (!image.loadFromData(bytes, "BMP"))
        return FALSE;
    QGuiApplication::clipboard()->setImage(image);
    m_placed = QGuiApplication::clipboard()->mimeData();
    return TRUE;
}

BOOL QtUiService::GetClipboardDib(std::vector<BYTE>& dib)
{
    if (!HaveGui())
        return FALSE;
    QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull())
        return FALSE;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP") || bytes.size() <= qsizetype(sizeof(BITMAPFILEHEADER)))
        return FALSE;
    dib.assign(bytes.begin() + sizeof(BITMAPFILEHEADER), bytes.end());
    return TRUE;
}

BOOL QtUiService::SetClipboardText(const char* text)
{
    if (!HaveGui())
        return FALSE;
    QGuiApplication::clipboard()->setText(Text(text));
    m_placed = QGuiApplication::clipboard()->mimeData();
    return TRUE;
}

BOOL QtUiService::EmptyClipboard()
{
    if (!HaveGui())
        return FALSE;
    QGuiApplication::clipboard()->clear();
    return TRUE;
}

namespace {

// Where Qt keeps a picture inside mime data; it is copied as the picture itself.
constexpr char kQtImageFormat[] = "application/x-qt-image";

QMimeData* CopyOfMimeData(const QMimeData& from)
{
    auto* copy = new QMimeData;
    if (from.hasImage())
        copy->setImageData(from.imageData());
    for (const QString& format : from.formats())
        if (format != kQtImageFormat)
            copy->setData(format, from.data(format));
    return copy;
}

}  // namespace

BOOL QtUiService::SetClipboardData(const char* mime, const void* data, size_t size)
{
    if (!HaveGui() || !mime || !*mime || (!data && size > 0))
        return FALSE;
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Qt offers one set of forms at a time: the new one goes in beside a copy
    // of what we placed last, and the whole set replaces it.
    const QMimeData* now = clipboard->mimeData();
    QMimeData* next = m_placed && now == m_placed ? CopyOfMimeData(*now) : new QMimeData;
    next->setData(QString::fromUtf8(mime), QByteArray(static_cast<const char*>(data), qsizetype(size)));
    clipboard->setMimeData(next);
    m_placed = clipboard->mimeData();
    return TRUE;
}

BOOL QtUiService::GetClipboardData(const char* mime, std::vector<BYTE>& data)
{
    if (!HaveGui() || !mime)
        return FALSE;
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    const QString format = QString::fromUtf8(mime);
    if (!now || !now->hasFormat(format))
        return FALSE;
    const QByteArray bytes = now->data(format);
    data.assign(bytes.begin(), bytes.end());
    return TRUE;
}

BOOL QtUiService::ShowHelp(const char* file, UINT command, DWORD_PTR data)
{
    if (!HaveGui() || !file || command == HELP_QUIT)
        return command == HELP_QUIT;
    // Help ships as HTML pages: name.hlp -> index.html or <context>.html in
    // help/name/ or help/ beside the program, or in the installed data folder.
    QString base = QFileInfo(Text(file)).completeBaseName();
    QString page = command == HELP_CONTEXT ? QString::number(qulonglong(data)) + ".html" : "index.html";
    QDir programDir(QCoreApplication::applicationDirPath());
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QStringList candidates = {programDir.filePath("help/" + base + "/" + page),
                                    programDir.filePath("help/" + page),
                                    programDir.filePath("../share/" + program + "/help/" + page)};
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? TRUE : FALSE;
    return FALSE;
}

void QtUiService::SetCursorShape(CursorShape shape)
{
    if (!HaveGui())
        return;
    const bool wait = shape == CursorShape::Wait;
    if (wait && !m_waitCursor)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!wait && m_waitCursor)
        QApplication::restoreOverrideCursor();
    m_waitCursor = wait;
}

void QtUiService::ClipCursor(const RECT*) {}

CPoint QtUiService::CursorPos() const
{
    if (!HaveGui())
        return CPoint();
    QPoint p = QCursor::pos();
    return CPoint(p.x(), p.y());
}

CSize QtUiService::ScreenSize() const
{
    if (HaveGui())
        if (QScreen* screen = QGuiApplication::primaryScreen())
            return CSize(screen->geometry().width(), screen->geometry().height());
    return CSize(1024, 768);
}

COLORREF QtUiService::SysColor(int index) const
{
    QPalette palette = HaveGui() ? QApplication::palette() : QPalette(QColor(0xC0, 0xC0, 0xC0));
    switch (index) {
    case COLOR_WINDOW: return ToColorRef(palette.color(QPalette::Base));
    case COLOR_WINDOWTEXT: return ToColorRef(palette.color(QPalette::Text));
    case COLOR_MENU:
    case COLOR_BTNFACE: return ToColorRef(palette.color(QPalette::Button));
    case COLOR_BTNSHADOW: return ToColorRef(palette.color(QPalette::Mid));
    case COLOR_BTNTEXT: return ToColorRef(palette.color(QPalette::ButtonText));
    case COLOR_BTNHIGHLIGHT: return ToColorRef(palette.color(QPalette::Light));
    case COLOR_HIGHLIGHT: return ToColorRef(palette.color(QPalette::Highlight));
    case COLOR_HIGHLIGHTTEXT: return ToColorRef(palette.color(QPalette::HighlightedText));
    default: return ToColorRef(palette.color(QPalette::Window));
    }
}

UINT QtUiService::TrackPopupMenu(const CMenu& menu, CPoint screen, HWND owner)
{
    return HaveGui() ? ExecPopupMenu(menu, QPoint(screen.x, screen.y), OwnerWidget(owner)) : 0;
}
