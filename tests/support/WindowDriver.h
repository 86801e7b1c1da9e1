#pragma once

#include "ScriptedDialogs.h"
#include "app/frmAloitus.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

// The real main window with a scripted operator, driven by clicks.
class WindowDriver {
public:
    ScriptedDialogs dialogs;
    frmAloitus window{dialogs};

    QListWidget* list() const { return window.findChild<QListWidget*>(QStringLiteral("List1")); }
    QPushButton* button(const QString& objectName) const
    {
        return window.findChild<QPushButton*>(objectName);
    }

    // Clicks a button with the mouse, as the operator does.
    void click(const QString& objectName) const
    {
        QPushButton* b = button(objectName);
        QTEST_ASSERT(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }

    // Chooses `path` in the file dialog of the database choice.
    void choose(const QString& path)
    {
        dialogs.fileAnswers.append(path);
        click(QStringLiteral("cmdSelaa"));
    }

    // Selects the entry with this text, as a click in the list does.
    void select(const QString& name) const
    {
        const QList<QListWidgetItem*> found = list()->findItems(name, Qt::MatchExactly);
        QTEST_ASSERT(!found.isEmpty());
        list()->setCurrentItem(found.first());
    }

    // Shows the window, for the cases that click into the list or need focus.
    void show()
    {
        window.show();
        QTEST_ASSERT(QTest::qWaitForWindowExposed(&window));
    }

    // A click on the entry with this text, as the operator makes it.
    void clickEntry(const QString& name) const
    {
        const QList<QListWidgetItem*> found = list()->findItems(name, Qt::MatchExactly);
        QTEST_ASSERT(found.size() == 1);
        list()->scrollToItem(found.first());
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(found.first()).center());
    }

    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names.append(list()->item(i)->text());
        return names;
    }

    QString caption(const QString& objectName) const { return button(objectName)->text(); }
};
