#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace ch::testing {

template <typename T>
T* Child(QObject* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

// Picks a list entry the way a user does: open the drop-down, move to the row, press Return.
inline void PickFromList(QComboBox* box, int row) {
    box->showPopup();
    QAbstractItemView* view = box->view();
    view->setCurrentIndex(view->model()->index(row, 0));
    QTest::keyClick(view, Qt::Key_Return);
}

// Waits for the next tick of a running timer; false when it is not running or never ticks.
inline bool WaitForTick(QTimer* timer) {
    if (!timer->isActive()) return false;
    bool ticked = false;
    QObject context;
    QObject::connect(timer, &QTimer::timeout, &context, [&ticked] { ticked = true; });
    return QTest::qWaitFor([&ticked] { return ticked; }, 5000);
}

}  // namespace ch::testing
