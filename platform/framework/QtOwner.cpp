#include "QtOwner.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace {

void WriteOwnerHint(QWidget* window, QWidget* owner)
{
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const xcb_window_t owned = xcb_window_t(window->winId());
    const xcb_window_t by = xcb_window_t(owner->winId());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, owned, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1,
                        &by);
    xcb_flush(connection);
}

} // namespace

void SetWindowOwner(QWidget* window, QWidget* owner)
{
    if (!window || !owner)
        return;
    window = window->window();
    owner = owner->window();
    QWindow* handle = window->windowHandle();
    QWindow* ownerHandle = owner->windowHandle();
    if (!handle || !ownerHandle || window == owner)
        return;
    handle->setTransientParent(ownerHandle);
    if (window->isVisible())
        WriteOwnerHint(window, owner);
}
