#pragma once

#include "ui/DuiLib.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace pelan::test {

// One QApplication for the whole test program (offscreen).
inline QApplication& app() {
    static int argc = 1;
    static char name[] = "pelan_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: widgets and pictures held by statics must not outlive it.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// Records the notifications a paint manager sends.
struct NotifyRecorder : INotifyUI {
    struct Entry {
        QString type;
        QString sender;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Entry> entries;
    void Notify(TNotifyUI& msg) override {
        entries.push_back(
            {msg.sType, msg.pSender != nullptr ? msg.pSender->GetName() : QString(), msg.wParam, msg.lParam});
    }
    // The types of the notifications of one sender, in order.
    QStringList typesOf(const QString& sender) const {
        QStringList types;
        for (const Entry& e : entries) {
            if (e.sender == sender)
                types.append(e.type);
        }
        return types;
    }
    void clear() { entries.clear(); }
};

// A paint manager on a plain widget, holding a tree built from layout text.
struct AppFirst {
    AppFirst() { app(); }
};

struct HostedTree {
    AppFirst appFirst;
    QWidget host;
    CPaintManagerUI pm;
    NotifyRecorder recorder;
    CControlUI* root = nullptr;

    explicit HostedTree(const QString& xml, IDialogBuilderCallback* callback = nullptr, QSize size = {400, 300}) {
        app();
        pm.Init(&host, "test");
        CDialogBuilder builder;
        root = builder.Create(xml, QString(), callback, &pm);
        pm.AttachDialog(root);
        pm.AddNotifier(&recorder);
        host.resize(size);
        if (root != nullptr)
            root->setGeometry(host.rect());
        host.show();
        QApplication::processEvents();
    }
    ~HostedTree() { pm.DetachDialog(); }
    template <typename T>
    T* find(const QString& name) {
        return dynamic_cast<T*>(pm.FindControl(name));
    }
};

// Runs the event loop until done() holds or timeoutMs passed; true when it held. The default is generous: it costs
// nothing when the wait succeeds, and the sanitizer builds on two cores are slow.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 15000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline QPoint centerOf(CControlUI* control) {
    return control->rect().center();
}

} // namespace pelan::test
