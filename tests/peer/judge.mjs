// node-simconnect, a client written elsewhere from the vendor's protocol,
// against benchsim as each simulator it plays: if benchsim only understood our
// own client library, the two could share a mistake and every other test would
// still pass. Each session runs twice, once straight to benchsim and once
// through a relay that hands bytes on one at a time, so benchsim must cut
// requests out of a stream that arrives in arbitrary pieces.
//
//   node tests/peer/judge.mjs   (BRELVIK_BINARY_DIR, BRELVIK_NODE_PEER set; loopback only)
import {
    builtProgram, check, Child, fail, finish, loadNodeSimconnect, setDeadline, sleep, startTrickleRelay, step,
    withTimeout,
} from './peer_support.mjs';

const sc = loadNodeSimconnect();
const { Protocol, SimConnectDataType, SimObjectType, RawBuffer } = sc;

const kClientName = 'Peer judge';
const kGroupIsPriority = 0x10;
const kPriorityHighest = 1;
const kNameUnrecognized = 7;
const kVersionMismatch = 5;
const kWait = 3000;

// What each simulator accepts and what its open message says, as the real
// ones report it. A protocol newer than the simulator's own must never be
// opened: the client would call operations the simulator does not have.
const kSimulators = [
    {
        simulator: 'fsx', accepts: [Protocol.FSX_SP2], refuses: [Protocol.KittyHawk, Protocol.SunRise],
        name: 'Microsoft Flight Simulator X', major: 10,
    },
    {
        // Its name is in the simulator's narrow code page: 0xAE is the sign.
        simulator: 'p3d', accepts: [Protocol.FSX_SP2], refuses: [Protocol.KittyHawk, Protocol.SunRise],
        name: 'Lockheed Martin\u00ae Prepar3D\u00ae v4', major: 4,
    },
    { simulator: 'msfs2020', accepts: [Protocol.KittyHawk], refuses: [Protocol.SunRise], name: 'KittyHawk', major: 11 },
    { simulator: 'msfs2024', accepts: [Protocol.SunRise], refuses: [], name: 'SunRise', major: 12 },
];

// Values set through the control channel and read back through the protocol:
// a double that float32 would round, a negative INT32 and a title with inner
// blanks, so a narrowing, a sign or a text cut shows.
const kRead = {
    real: { name: 'SEA LEVEL PRESSURE', unit: 'Millibars', value: 1009.123456789 },
    integer: { name: 'AUTOPILOT VERTICAL HOLD VAR', unit: 'Feet/minute', value: -700 },
    title: 'Peer Judge Trainer  Mk 2 (7)',
};
const kWritten = { real: 1001.5, integer: -350 };

// Key events and what benchsim reports and does for them. Data go out as the
// DWORD the vendor's API takes; benchsim reports them signed.
const kKeyEvents = [
    { event: 'COM_RADIO_SET', data: 0x1850, reported: '6224', effect: ['COM ACTIVE FREQUENCY:1', '118.5'] },
    { event: 'XPNDR_SET', data: 0x7700, reported: '30464', effect: ['TRANSPONDER CODE:1', '30464'] },
    { event: 'AP_VS_VAR_SET_ENGLISH', data: 0xfffffe0c, reported: '-500', effect: ['AUTOPILOT VERTICAL HOLD VAR', '-500'] },
];

// Requests benchsim must refuse, with the argument it names (counted from 1
// after the handle). The names cannot belong to any simulator.
const kRefusedRequests = [
    { what: 'unknown variable', index: 2, call: (h) => h.addToDataDefinition(9, 'NO SUCH VARIABLE?', 'Number', SimConnectDataType.FLOAT64) },
    { what: 'unknown unit', index: 3, call: (h) => h.addToDataDefinition(9, kRead.real.name, 'no such unit?', SimConnectDataType.FLOAT64) },
    { what: 'unknown event', index: 2, call: (h) => h.mapClientEventToSimEvent(99, 'NO_SUCH_EVENT?') },
];

function protocolName(protocol) {
    return Protocol[protocol] ?? String(protocol);
}

async function startBenchsim(simulator) {
    const bench = new Child(builtProgram('tools/benchsim/benchsim'), ['--listen', '127.0.0.1:0', '--simulator', simulator], { name: 'benchsim' });
    const first = await bench.waitForLine(() => true, 5000);
    const port = /^listening 127\.0\.0\.1:(\d+)$/.exec(first ?? '')?.[1];
    if (!port) {
        // Every later session would fail the same way.
        fail(`benchsim --simulator ${simulator}: first line ${JSON.stringify(first)}, not "listening 127.0.0.1:PORT"; stderr: ${bench.stderrTail()}`);
        await bench.stop(0);
        finish('judge');
    }
    bench.port = Number(port);
    return bench;
}

// A control command whose reply proves benchsim has run every command before it.
async function get(bench, name) {
    const from = bench.lineCount();
    bench.send(`get ${name}`);
    const line = await bench.waitForLine((l) => l.startsWith(`value ${name} `) || l.startsWith('error '), kWait, from);
    return line?.startsWith('value ') ? line.slice(`value ${name} `.length) : line;
}

async function report(bench, prefix, from) {
    return (await bench.waitForLine((l) => l.startsWith(prefix), kWait, from)) ?? '(nothing)';
}

function nextMessage(handle, event, match = () => true) {
    return new Promise((resolve) => {
        const listener = (message) => {
            if (!match(message)) return;
            handle.removeListener(event, listener);
            resolve(message);
        };
        handle.on(event, listener);
    });
}

async function judgeSession(target, protocol, route) {
    const label = `${target.simulator} ${protocolName(protocol)} ${route}`;
    step(`${label}: start benchsim`);
    const bench = await startBenchsim(target.simulator);
    const relay = route === 'relay' ? await startTrickleRelay(bench.port) : null;
    const port = relay ? relay.port : bench.port;
    let handle;
    try {
        step(`${label}: open`);
        let opened;
        try {
            opened = await withTimeout(sc.open(kClientName, protocol, { host: '127.0.0.1', port }), 6000, 'open message');
        } catch (error) {
            fail(`${label}: open: ${error.message}; benchsim stderr: ${bench.stderrTail()}`);
            return;
        }
        handle = opened.handle;
        const exceptions = [];
        handle.on('exception', (e) => exceptions.push(e));

        const open = opened.recvOpen;
        check(`${label}: open (application name, version major, library version major)`,
            [target.name, target.major, target.major],
            [open.applicationName, open.applicationVersionMajor, open.simConnectVersionMajor]);
        check(`${label}: benchsim's client report`, `client ${kClientName}`, await report(bench, 'client ', 0));

        step(`${label}: data by type`);
        bench.send(`set ${kRead.real.name} ${kRead.real.value}`);
        bench.send(`set ${kRead.integer.name} ${kRead.integer.value}`);
        bench.send(`title ${kRead.title}`);
        check(`${label}: control channel title`, kRead.title, await get(bench, 'TITLE'));
        handle.addToDataDefinition(1, kRead.real.name, kRead.real.unit, SimConnectDataType.FLOAT64);
        handle.addToDataDefinition(1, kRead.integer.name, kRead.integer.unit, SimConnectDataType.INT32);
        handle.addToDataDefinition(1, 'TITLE', null, SimConnectDataType.STRING256);
        const reply = nextMessage(handle, 'simObjectDataByType', (m) => m.requestID === 7);
        handle.requestDataOnSimObjectType(7, 1, 0, SimObjectType.USER);
        const data = await withTimeout(reply, kWait, 'data by type').catch((e) => fail(`${label}: ${e.message}`));
        if (data) {
            check(`${label}: data header (definition, entry, out of, datum count)`, [1, 1, 1, 3],
                [data.defineID, data.entryNumber, data.outOf, data.defineCount]);
            check(`${label}: FLOAT64 ${kRead.real.name}`, kRead.real.value, data.data.readFloat64());
            check(`${label}: INT32 ${kRead.integer.name}`, kRead.integer.value, data.data.readInt32());
            check(`${label}: STRING256 TITLE`, kRead.title, data.data.readString256());
            check(`${label}: bytes after the block`, 0, data.data.remaining());
        }

        step(`${label}: data write`);
        handle.addToDataDefinition(2, kRead.real.name, kRead.real.unit, SimConnectDataType.FLOAT64);
        handle.addToDataDefinition(2, kRead.integer.name, kRead.integer.unit, SimConnectDataType.INT32);
        const block = new RawBuffer(12);
        block.writeFloat64(kWritten.real);
        block.writeInt32(kWritten.integer);
        let from = bench.lineCount();
        handle.setDataOnSimObject(2, 0, { tagged: false, arrayCount: 0, buffer: block });
        check(`${label}: setdata report`, `setdata 2 ${kWritten.real} ${kWritten.integer}`, await report(bench, 'setdata ', from));
        check(`${label}: written ${kRead.real.name}`, String(kWritten.real), await get(bench, kRead.real.name));

        step(`${label}: key events`);
        for (const [i, k] of kKeyEvents.entries()) {
            const id = 20 + i;
            from = bench.lineCount();
            handle.mapClientEventToSimEvent(id, k.event);
            check(`${label}: map report`, `map ${id} ${k.event}`, await report(bench, 'map ', from));
            from = bench.lineCount();
            handle.transmitClientEvent(0, id, k.data, kPriorityHighest, kGroupIsPriority);
            check(`${label}: event report`, `event ${k.event} ${k.reported} ${kPriorityHighest}`, await report(bench, 'event ', from));
            check(`${label}: ${k.event} sets ${k.effect[0]}`, k.effect[1], await get(bench, k.effect[0]));
        }

        step(`${label}: refused requests`);
        const expected = kRefusedRequests.map((r) => ({ ...r, sendId: r.call(handle) }));
        const deadline = Date.now() + kWait;
        while (Date.now() < deadline && !expected.every((r) => exceptions.some((e) => e.sendId === r.sendId))) await sleep(20);
        for (const r of expected) {
            const got = exceptions.find((e) => e.sendId === r.sendId);
            check(`${label}: exception for ${r.what} (code, send id, index)`, [kNameUnrecognized, r.sendId, r.index],
                got ? [got.exception, got.sendId, got.index] : 'none');
        }
        for (const e of exceptions.filter((e) => !expected.some((r) => r.sendId === e.sendId))) {
            fail(`${label}: unexpected exception ${e.exceptionName} for send id ${e.sendId}, index ${e.index}`);
        }

        step(`${label}: quit`);
        const quit = nextMessage(handle, 'quit');
        bench.send('quit');
        check(`${label}: quit message`, true, await withTimeout(quit, kWait, 'quit').then(() => true, () => false));
        if (relay) check(`${label}: the relay carried the session`, true, relay.relayed() > 1000);
    } finally {
        handle?.close();
        relay?.close();
        bench.send('exit');
        await bench.stop();
    }
}

// A client newer than the simulator gets no open message; if it gets an
// exception, that exception is VERSION_MISMATCH.
async function judgeRefusal(target, protocol) {
    const label = `${target.simulator} refuses ${protocolName(protocol)}`;
    step(label);
    const bench = await startBenchsim(target.simulator);
    const connection = new sc.SimConnectConnection(kClientName, protocol);
    try {
        let opened = false;
        const exceptions = [];
        // Whatever benchsim answers, then a moment for an open that might follow it.
        const answered = new Promise((resolve) => {
            connection.on('open', () => { opened = true; resolve(); });
            connection.on('exception', (e) => { exceptions.push(e.exception); resolve(); });
            connection.on('close', resolve);
        });
        connection.on('error', () => {});
        connection.connect({ host: '127.0.0.1', port: bench.port });
        await withTimeout(answered, 1500, 'answer').catch(() => {});
        await sleep(200);
        check(`${label}: no open message`, false, opened);
        for (const code of exceptions) check(`${label}: exception`, kVersionMismatch, code);
    } finally {
        connection.close();
        bench.send('exit');
        await bench.stop();
    }
}

setDeadline(100000);
for (const target of kSimulators) {
    for (const protocol of target.accepts) {
        for (const route of ['direct', 'relay']) await judgeSession(target, protocol, route);
    }
    for (const protocol of target.refuses) await judgeRefusal(target, protocol);
}
finish('judge');
