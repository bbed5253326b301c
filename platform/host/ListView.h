#pragma once
// A list of text entries with a check box each. In-place editing of an
// entry's text asks BeforeLabelEdit first, which may cancel it. KeyDown
// comes for every key, Tab among them, before the list acts on it. To a
// screen reader the entries are check boxes.

#include <QListWidget>

namespace platform {

class ListView : public QListWidget {
    Q_OBJECT

public:
    class ListItem {
    public:
        explicit ListItem(QListWidgetItem* item) : item_(item) {}
        bool Checked() const { return item_->checkState() == Qt::Checked; }
        void SetChecked(bool checked) {
            item_->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        }
        QString Text() const { return item_->text(); }

    private:
        QListWidgetItem* item_;
    };

    explicit ListView(QWidget* parent);
    void Add(const QString& text);
    // Entries count from 1.
    ListItem ListItems(int index) const;
    int Count() const { return count(); }

signals:
    void BeforeLabelEdit(bool& Cancel);
    // A handler that uses the key sets KeyCode to 0.
    void KeyDown(short& KeyCode, short Shift);

protected:
    bool event(QEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
};

}  // namespace platform
