#include "platform/host/ListView.h"

#include <stdexcept>

#include "platform/host/Accessible.h"
#include "platform/host/Form.h"

namespace platform {

ListView::ListView(QWidget* parent) : QListWidget(parent) {
    InstallAccessibleFactory();
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked);
    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                if (!roles.isEmpty() && !roles.contains(Qt::CheckStateRole)) return;
                for (int row = from.row(); row <= to.row(); ++row) AnnounceCheckChange(*this, row);
            });
}

void ListView::Add(const QString& text) {
    auto* item = new QListWidgetItem(text, this);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    item->setCheckState(Qt::Unchecked);
}

ListView::ListItem ListView::ListItems(int index) const {
    QListWidgetItem* it = index >= 1 ? item(index - 1) : nullptr;
    if (!it) throw std::out_of_range("list view index");
    return ListItem(it);
}

bool ListView::event(QEvent* event) {
    // Before QWidget's own handling, which spends Tab on moving the focus.
    if (event->type() == QEvent::KeyPress &&
        HandKeyDown(static_cast<QKeyEvent*>(event),
                    [this](short& KeyCode, short Shift) { emit KeyDown(KeyCode, Shift); }))
        return true;
    return QListWidget::event(event);
}

bool ListView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // Only a real attempt to start editing asks; the view also calls this to
    // find out whether an editor is open.
    if (trigger != QAbstractItemView::NoEditTriggers && (editTriggers() & trigger)) {
        bool cancel = false;
        emit BeforeLabelEdit(cancel);
        if (cancel) return false;
    }
    return QListWidget::edit(index, trigger, event);
}

}  // namespace platform
