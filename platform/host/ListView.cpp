#include "platform/host/ListView.h"

#include <stdexcept>

namespace platform {

ListView::ListView(QWidget* parent) : QListWidget(parent) {
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked);
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
