// An OpenRGB SDK client from the npm registry against our server: reads every controller, sets every LED of the
// mouse to one colour and a mode with a speed on the mousepad, then prints what it read as one JSON line.
const { Client } = require("openrgb-sdk");

const MOUSE = 6;
const MOUSEMAT = 7;

async function main() {
    const port = Number(process.argv[2]);
    const client = new Client("pelan integration test", port, "127.0.0.1");
    await client.connect();
    const devices = await client.getAllControllerData();

    const mouse = devices.find((device) => device.type === MOUSE);
    const colour = { red: 0x20, green: 0x80, blue: 0xf0 };
    await client.updateMode(mouse.deviceId, "Direct");
    client.updateLeds(mouse.deviceId, Array(mouse.colors.length).fill(colour));

    const pad = devices.find((device) => device.type === MOUSEMAT);
    await client.updateMode(pad.deviceId, { name: "Breathing", speed: 3 });
    // A round trip after the last request: the server has taken everything before it.
    await client.getControllerCount();

    console.log(JSON.stringify({
        protocolVersion: client.protocolVersion,
        devices: devices.map((device) => ({
            name: device.name,
            vendor: device.vendor,
            type: device.type,
            leds: device.leds.map((led) => led.name),
            zones: device.zones.map((zone) => ({ name: zone.name, count: zone.ledsCount })),
            modes: device.modes.map((mode) => ({ name: mode.name, speedMax: mode.speedMax })),
        })),
    }));
    client.disconnect();
}

main().catch((error) => {
    console.error(String(error && error.stack ? error.stack : error));
    process.exit(1);
});
