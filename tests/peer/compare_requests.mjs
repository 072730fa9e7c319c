// The requests brelvik sends, byte for byte against what node-simconnect sends
// for the same calls. node-simconnect was written from the vendor's protocol by
// people who never saw our code, so where the two disagree one of them is not
// speaking that protocol; the few places where node-simconnect is known to
// depart from the vendor's library are allowed, each by a narrow rule below.
//
// A capture server on loopback answers each Open and records every packet.
// brelvik connects (under the display the test runs in), the tablet changes a
// frequency, a vertical speed and the stick, and every packet from brelvik's
// Open to the last one those changes caused is decoded into the call that made
// it, replayed through node-simconnect's API, and compared.
//
//   node tests/peer/compare_requests.mjs   (BRELVIK_BINARY_DIR, BRELVIK_NODE_PEER, DISPLAY set; loopback only)
import { mkdtempSync, rmSync } from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

import { builtProgram, check, Child, fail, finish, loadNodeSimconnect, setDeadline, sleep, step } from './peer_support.mjs';

const sc = loadNodeSimconnect();
const { RawBuffer } = sc;

const kHeader = 16;
const kMaxPacket = 1 << 20;
const kVersionMajorAnswered = 11;  // the newer generation: brelvik then greets the tablet at once
const kShownDifferences = 12;

// ---- the capture server ----------------------------------------------------

// Cuts the stream into packets by dwSize and answers the Open; a packet too
// short for its header or absurdly long ends that connection as a failure.
function startCaptureServer() {
    const connections = [];
    const sockets = new Set();
    const server = net.createServer((socket) => {
        const connection = { packets: [], error: null };
        connections.push(connection);
        sockets.add(socket);
        socket.on('close', () => sockets.delete(socket));
        socket.on('error', () => {});
        let buffer = Buffer.alloc(0);
        socket.on('data', (chunk) => {
            buffer = Buffer.concat([buffer, chunk]);
            while (buffer.length >= 4) {
                const size = buffer.readUInt32LE(0);
                if (size < kHeader || size > kMaxPacket) {
                    connection.error = `packet ${connection.packets.length} has dwSize ${size}`;
                    socket.destroy();
                    return;
                }
                if (buffer.length < size) break;
                const packet = Buffer.from(buffer.subarray(0, size));
                buffer = buffer.subarray(size);
                connection.packets.push(packet);
                if (connection.packets.length === 1 && opOf(packet) === 0x01) socket.write(openMessage(packet.readUInt32LE(4)));
            }
        });
    });
    return new Promise((resolve) => {
        server.listen(0, '127.0.0.1', () => resolve({
            port: server.address().port,
            connections,
            close: () => {
                for (const s of sockets) s.destroy();
                server.close();
            },
        }));
    });
}

function openMessage(version) {
    const m = Buffer.alloc(308);
    m.writeUInt32LE(308, 0);
    m.writeUInt32LE(version, 4);
    m.writeUInt32LE(2, 8);  // SIMCONNECT_RECV_ID_OPEN
    m.write('Capture', 12, 'latin1');
    m.writeUInt32LE(kVersionMajorAnswered, 268);
    m.writeUInt32LE(kVersionMajorAnswered, 284);
    return m;
}

// ---- packets as calls ------------------------------------------------------

function opOf(packet) {
    return (packet.readUInt32LE(8) & ~0xf0000000) >>> 0;
}

// A name that fills its field replays as the field holds it: node-simconnect,
// which sends a longer name whole instead of cutting it, never gets one.
function text256(packet, offset) {
    const field = packet.subarray(offset, offset + 256);
    const end = field.indexOf(0);
    return field.subarray(0, end < 0 ? field.length : end).toString('latin1');
}

const u32 = (p, o) => p.readUInt32LE(o);

// Each operation brelvik uses: its name, the call's arguments read back from a
// packet, and the same call through node-simconnect's API.
const kOperations = {
    0x01: { name: 'Open', decode: (p) => ({ name: text256(p, 16) }) },
    0x04: {
        name: 'MapClientEventToSimEvent',
        decode: (p) => ({ event: u32(p, 16), name: text256(p, 20) }),
        replay: (h, a) => h.mapClientEventToSimEvent(a.event, a.name),
    },
    0x05: {
        name: 'TransmitClientEvent',
        // The API's data is a DWORD that callers fill with signed values.
        decode: (p) => ({ object: u32(p, 16), event: u32(p, 20), data: p.readInt32LE(24), group: u32(p, 28), flags: u32(p, 32) }),
        // node-simconnect refuses a negative number for a DWORD (it throws
        // before sending): it is given the same 32 bits as an unsigned number.
        replay: (h, a) => h.transmitClientEvent(a.object, a.event, a.data >>> 0, a.group, a.flags),
    },
    0x07: {
        name: 'AddClientEventToNotificationGroup',
        decode: (p) => ({ group: u32(p, 16), event: u32(p, 20), maskable: u32(p, 24) }),
        replay: (h, a) => h.addClientEventToNotificationGroup(a.group, a.event, a.maskable !== 0),
    },
    0x09: {
        name: 'SetNotificationGroupPriority',
        decode: (p) => ({ group: u32(p, 16), priority: u32(p, 20) }),
        replay: (h, a) => h.setNotificationGroupPriority(a.group, a.priority),
    },
    0x0c: {
        name: 'AddToDataDefinition',
        decode: (p) => ({
            definition: u32(p, 16), name: text256(p, 20), unit: text256(p, 276), type: u32(p, 532),
            epsilon: p.readFloatLE(536), datum: u32(p, 540),
        }),
        replay: (h, a) => h.addToDataDefinition(a.definition, a.name, a.unit, a.type, a.epsilon, a.datum),
    },
    0x0f: {
        name: 'RequestDataOnSimObjectType',
        decode: (p) => ({ request: u32(p, 16), definition: u32(p, 20), radius: u32(p, 24), type: u32(p, 28) }),
        replay: (h, a) => h.requestDataOnSimObjectType(a.request, a.definition, a.radius, a.type),
    },
    0x10: {
        name: 'SetDataOnSimObject',
        decode: (p) => ({
            definition: u32(p, 16), object: u32(p, 20), flags: u32(p, 24), count: u32(p, 28), unitSize: u32(p, 32),
            data: Buffer.from(p.subarray(36)),
        }),
        // node-simconnect's buffer form writes the block's length as the unit
        // size; a size brelvik gives otherwise shows as a byte difference.
        replay: (h, a) => {
            // Written, not wrapped: node-simconnect sends a RawBuffer up to where writing stopped.
            const block = new RawBuffer(a.data.length);
            block.write(a.data);
            return h.setDataOnSimObject(a.definition, a.object, { tagged: (a.flags & 1) !== 0, arrayCount: a.count, buffer: block });
        },
    },
};

function describe(packet) {
    return kOperations[opOf(packet)]?.name ?? `operation 0x${opOf(packet).toString(16)}`;
}

// ---- the allowed differences -----------------------------------------------

// A copy of each packet with what may differ made equal. Everything else must
// match to the byte.
function comparable(packet, firstSendId) {
    const p = Buffer.from(packet);
    // Each side counts send ids from its own start (node-simconnect from 0):
    // only the distance from the Open's counts.
    p.writeUInt32LE((packet.readUInt32LE(12) - firstSendId) >>> 0, 12);
    return p;
}

// node-simconnect's buffer form sends array count 1 where 0 was asked; the
// vendor reads 0 and 1 alike there (one unit), so only that pair is forgiven.
function forgiveArrayCount(ours, theirs) {
    if (opOf(ours) === 0x10 && opOf(theirs) === 0x10 && ours.length >= 36 && theirs.length >= 36 &&
        ours.readUInt32LE(28) === 0 && theirs.readUInt32LE(28) === 1) {
        theirs.writeUInt32LE(0, 28);
        return true;
    }
    return false;
}

function hexAround(buffer, offset) {
    return buffer.subarray(offset, offset + 8).toString('hex').replace(/(..)/g, '$1 ').trim();
}

// ---- the run ---------------------------------------------------------------

// What `condition` returns once it returns anything but undefined.
async function waitFor(what, condition, ms) {
    step(what);
    const deadline = Date.now() + ms;
    while (Date.now() < deadline) {
        const value = condition();
        if (value !== undefined) return value;
        await sleep(20);
    }
    return undefined;
}

function decodeAll(packets) {
    return packets.map((packet, i) => {
        const operation = kOperations[opOf(packet)];
        if (!operation) {
            fail(`brelvik packet ${i}: ${describe(packet)} is not one the comparison knows`);
            return null;
        }
        return { operation, args: operation.decode(packet) };
    });
}

// The index of the first packet from `from` on that decodes to a call `match` accepts.
function findCall(packets, from, op, match) {
    for (let i = from; i < packets.length; ++i) {
        if (opOf(packets[i]) === op && match(kOperations[op].decode(packets[i]))) return i;
    }
    return -1;
}

async function main() {
    setDeadline(60000);
    const capture = await startCaptureServer();
    const config = mkdtempSync(path.join(os.tmpdir(), 'brelvik-peer-'));
    process.on('exit', () => rmSync(config, { recursive: true, force: true }));

    step('start brelvik');
    const bridge = new Child(builtProgram('brelvik'), [], {
        env: { BRELVIK_SIM_ADDRESS: `127.0.0.1:${capture.port}`, XDG_CONFIG_HOME: config },
    });
    const ours = await waitFor('brelvik connects and asks for its first samples', () => {
        const c = capture.connections[0];
        if (c && c.packets.some((p) => opOf(p) === 0x0f)) return c;
        return bridge.running() ? undefined : null;
    }, 15000);
    if (!ours) {
        const c = capture.connections[0];
        fail(`brelvik sent no RequestDataOnSimObjectType (${bridge.running() ? 'within 15 s' : 'it ended'}; ` +
            `${c ? `${c.packets.length} packets${c.error ? `, ${c.error}` : ''}` : 'no connection'}; stderr: ${bridge.stderrTail()})`);
        return;
    }
    if (!check('brelvik opens first', 'Open', describe(ours.packets[0]))) return;
    let last = findCall(ours.packets, 0, 0x0f, () => true);

    // The tablet: a COM 1 frequency, a descent rate (negative event data) and
    // the stick (a data write with array count 0).
    const names = new Map();
    for (const p of ours.packets.slice(0, last)) {
        if (opOf(p) === 0x04) names.set(kOperations[0x04].decode(p).event, kOperations[0x04].decode(p).name);
    }
    const transmitOf = (event, data) => (a) => names.get(a.event) === event && a.data === data;
    const tablet = new Child(builtProgram('tools/tablet-emu/tablet-emu'), ['--probe-interval', '0']);
    if (await tablet.waitForLine('ClientData|FS2020=1', 10000) === undefined) {
        fail(`the tablet was not greeted within 10 s (tablet-emu: ${tablet.stderrTail()})`);
    } else {
        const mark = ours.packets.length;
        tablet.send('ServerAv|COM1=118250|VS=-500');
        tablet.send('ServerData|JOYX=0.5|JOYY=-0.25');
        const caused = [
            ['COM_RADIO_SET 0x11825 for COM1=118250', 0x05, transmitOf('COM_RADIO_SET', 0x11825)],
            ['AP_VS_VAR_SET_ENGLISH -500 for VS=-500', 0x05, transmitOf('AP_VS_VAR_SET_ENGLISH', -500)],
            ['SetDataOnSimObject for the stick', 0x10, () => true],
        ];
        for (const [what, op, match] of caused) {
            const at = await waitFor(`brelvik sends ${what}`, () => {
                const i = findCall(ours.packets, mark, op, match);
                return i >= 0 ? i : undefined;
            }, 5000);
            if (at === undefined) fail(`the tablet's change: brelvik sent no ${what} within 5 s`);
            else last = Math.max(last, at);
        }
    }
    tablet.send('!quit');
    await tablet.stop();
    await bridge.stop(0);

    const sent = ours.packets.slice(0, last + 1);
    const calls = decodeAll(sent);
    if (calls.includes(null)) return;

    // A second connection would mean brelvik dropped the first and opened again.
    const replayed = capture.connections.length;
    check('connections brelvik opened', 1, replayed);

    step('replay through node-simconnect');
    const open = calls[0].args;
    const protocol = sent[0].readUInt32LE(4);
    let handle;
    try {
        ({ handle } = await sc.open(open.name, protocol, { host: '127.0.0.1', port: capture.port }));
    } catch (error) {
        fail(`node-simconnect could not open with brelvik's protocol ${protocol}: ${error.message}`);
        return;
    }
    for (const [i, call] of calls.entries()) {
        if (i === 0) continue;
        try {
            call.operation.replay(handle, call.args);
        } catch (error) {
            fail(`packet ${i} (${call.operation.name} ${JSON.stringify(call.args)}): node-simconnect refused it: ${error.message}`);
            return;
        }
    }
    const theirs = await waitFor('node-simconnect\'s packets arrive', () => {
        const c = capture.connections[replayed];
        return c && c.packets.length >= sent.length ? c : undefined;
    }, 10000);
    handle.close();
    if (!theirs) {
        fail(`node-simconnect's replay: ${capture.connections[replayed]?.packets.length ?? 0} of ${sent.length} packets arrived`);
        return;
    }

    step('compare');
    const ourFirst = sent[0].readUInt32LE(12);
    const theirFirst = theirs.packets[0].readUInt32LE(12);
    check('packets replayed', sent.length, theirs.packets.length);
    let differences = 0;
    let forgivenCounts = 0;
    for (let i = 0; i < sent.length; ++i) {
        const a = comparable(sent[i], ourFirst);
        const b = comparable(theirs.packets[i], theirFirst);
        if (forgiveArrayCount(a, b)) ++forgivenCounts;
        if (a.equals(b)) continue;
        if (++differences > kShownDifferences) continue;
        let at = 0;
        while (at < a.length && at < b.length && a[at] === b[at]) ++at;
        fail(`packet ${i} (${describe(sent[i])} ${JSON.stringify(calls[i].args, (k, v) => (k === 'data' ? undefined : v))}): ` +
            `${a.length} bytes, node-simconnect ${b.length}; first difference at byte ${at}: ` +
            `expected (node-simconnect) ${hexAround(b, at)}, got (brelvik) ${hexAround(a, at)}`);
    }
    if (differences > kShownDifferences) fail(`${differences - kShownDifferences} more packets differ`);
    check(`packets from Open to the tablet's last change (${sent.length}) equal node-simconnect's`, 0, differences);
    const counts = new Map();
    for (const p of sent) counts.set(describe(p), (counts.get(describe(p)) ?? 0) + 1);
    console.log(`compared: ${[...counts].map(([name, n]) => `${n} ${name}`).join(', ')}; protocol ${protocol}; ` +
        `first send ids ${ourFirst} (brelvik) and ${theirFirst}; array count 0 sent as 1 in ${forgivenCounts}; ` +
        `negative event data in ${calls.filter((c) => c.args.data < 0).length}`);
    capture.close();
}

await main();
finish('compare_requests');
