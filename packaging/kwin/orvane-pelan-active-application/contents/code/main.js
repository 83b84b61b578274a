// Tells ORVANE Pelan which application is in front. KWin gives other programs no way to ask, so this script calls
// the program's D-Bus method each time the active window or the set of windows changes, with the active window's
// resource class and the resource classes of all windows, one per line. When the program does not run, the call
// goes nowhere and nothing happens.
// Plasma 6 names windows "window" (windowActivated, windowList); Plasma 5 named them "client".

const service = "org.orvane.Pelan.ActiveApplication";
const path = "/org/orvane/Pelan/ActiveApplication";
const iface = "org.orvane.Pelan.ActiveApplication";
const method = "Report";

const plasma6 = workspace.windowList !== undefined;

function classOf(window) {
    return window ? String(window.resourceClass) : "";
}

function windows() {
    return plasma6 ? workspace.windowList() : workspace.clientList();
}

function activeWindow() {
    return plasma6 ? workspace.activeWindow : workspace.activeClient;
}

function report() {
    const classes = windows()
        .filter(function (window) { return window.normalWindow; })
        .map(classOf)
        .filter(function (id) { return id !== ""; });
    callDBus(service, path, iface, method, classOf(activeWindow()), classes.join("\n"));
}

if (plasma6) {
    workspace.windowActivated.connect(report);
    workspace.windowAdded.connect(report);
    workspace.windowRemoved.connect(report);
} else {
    workspace.clientActivated.connect(report);
    workspace.clientAdded.connect(report);
    workspace.clientRemoved.connect(report);
}
report();
