#include "PopupMenu.h"

#include "UiThread.h"
#include "Wnd.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <mutex>

namespace {
std::mutex g_chooserMutex;
PopupMenuChooser g_chooser;
} // namespace

void SetPopupMenuChooser(PopupMenuChooser chooser)
{
    std::lock_guard<std::mutex> lock(g_chooserMutex);
    g_chooser = std::move(chooser);
}

int TrackPopupMenu(Wnd* owner, const std::vector<MenuItem>& items, CPoint point)
{
    PopupMenuChooser chooser;
    {
        std::lock_guard<std::mutex> lock(g_chooserMutex);
        chooser = g_chooser;
    }
    return CallOnUiThread([&]() -> int {
        if (chooser)
            return chooser(items);
        QMenu menu(owner && owner->Widget() ? owner->Widget() : nullptr);
        for (const MenuItem& item : items) {
            if (item.id == 0) {
                menu.addSeparator();
                continue;
            }
            menu.addAction(QString::fromStdWString(item.text))->setData(item.id);
        }
        QPoint global(point.x, point.y);
        if (owner && owner->Widget())
            global = owner->Widget()->mapToGlobal(global);
        QAction* chosen = menu.exec(global);
        return chosen ? chosen->data().toInt() : 0;
    });
}
