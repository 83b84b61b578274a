// A stand-in of KWin's scripting world for the KWin script's test: node kwin-world.js SCRIPT CLASS...
// The windows of the classes given are open and the first is active when the script loads; then the last one is
// activated. callDBus sends with dbus-send, as KWin would send on the session bus, and waits for the answer.
const fs = require("fs");
const vm = require("vm");
const { execFileSync } = require("child_process");

const [script, ...classes] = process.argv.slice(2);
const windows = classes.map((resourceClass) => ({ resourceClass, normalWindow: true }));
const handlers = { activated: [], added: [], removed: [] };
const signal = (list) => ({ connect: (handler) => list.push(handler) });

const world = {
    workspace: {
        activeWindow: windows[0],
        windowList: () => windows,
        windowActivated: signal(handlers.activated),
        windowAdded: signal(handlers.added),
        windowRemoved: signal(handlers.removed),
    },
    callDBus: (service, path, iface, method, ...args) => {
        execFileSync("dbus-send", ["--session", "--print-reply", "--type=method_call", "--dest=" + service, path,
            iface + "." + method, ...args.map((arg) => "string:" + arg)]);
    },
    String,
};
vm.createContext(world);
vm.runInContext(fs.readFileSync(script, "utf8"), world);
const last = windows[windows.length - 1];
world.workspace.activeWindow = last;
handlers.activated.forEach((handler) => handler(last));
