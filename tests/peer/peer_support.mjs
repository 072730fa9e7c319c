// What the peer tests share: node-simconnect as installed by scripts/node-peer.sh,
// the programs under test as child processes that never outlive the test, a
// relay that hands bytes on one at a time, and the failure list each test
// prints before it exits.
import { spawn } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import net from 'node:net';
import path from 'node:path';

const kNodeSimconnectVersion = '4.2.0';

// ---- failures --------------------------------------------------------------

const failures = [];
let checkCount = 0;

// Values compare as their JSON text, so numbers, strings and arrays all print
// the same way in the failure line as they compare.
function shown(value) {
    return typeof value === 'bigint' ? `${value}n` : JSON.stringify(value);
}

export function check(what, expected, actual) {
    ++checkCount;
    if (shown(expected) !== shown(actual)) {
        failures.push(`${what}: expected ${shown(expected)}, got ${shown(actual)}`);
        return false;
    }
    return true;
}

export function fail(what) {
    ++checkCount;
    failures.push(what);
}

// Prints one line per failed check and exits: 0 only when every check passed.
export function finish(name) {
    for (const line of failures) console.log(`FAIL ${line}`);
    if (failures.length === 0 && checkCount === 0) {
        console.log(`FAIL ${name}: no check ran`);
        process.exit(1);
    }
    console.log(`${name}: ${checkCount - failures.length} of ${checkCount} checks passed`);
    process.exit(failures.length === 0 ? 0 : 1);
}

// ---- child processes -------------------------------------------------------

const children = new Set();

function killChildren() {
    for (const child of children) {
        try {
            child.kill('SIGKILL');
        } catch {
            // already gone
        }
    }
    children.clear();
}

process.on('exit', killChildren);
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
    process.on(signal, () => {
        console.log(`FAIL stopped by ${signal}`);
        process.exit(1);
    });
}

// The whole test is bounded: past the deadline it says what it was waiting for.
let currentStep = 'starting';
export function step(what) {
    currentStep = what;
}

// A decoder that throws inside a socket handler throws here: that is a fault
// of the peer that sent the bytes, and it ends the test with what it says.
process.on('uncaughtException', (error) => {
    for (const line of failures) console.log(`FAIL ${line}`);
    const where = error && error.stack ? error.stack.split('\n').slice(0, 3).join(' | ') : error;
    console.log(`FAIL uncaught while ${currentStep}: ${where}`);
    process.exit(1);
});
// Kept referenced: a wait that nothing can end then fails here, by name.
export function setDeadline(ms) {
    setTimeout(() => {
        fail(`timed out after ${ms} ms while: ${currentStep}`);
        for (const line of failures) console.log(`FAIL ${line}`);
        process.exit(1);
    }, ms);
}

export function withTimeout(promise, ms, what) {
    let timer;
    const timeout = new Promise((_, reject) => {
        timer = setTimeout(() => reject(new Error(`no ${what} within ${ms} ms`)), ms);
    });
    return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A program whose stdout is read line by line and whose stdin takes lines.
export class Child {
    constructor(program, args, { env = {}, name = path.basename(program) } = {}) {
        this.name = name;
        this.lines = [];
        this.waiters = [];
        this.stderr = '';
        this.exited = new Promise((resolve) => {
            this.process = spawn(program, args, {
                env: { ...process.env, ...env },
                // In our process group: a runner that kills the group on a
                // timeout takes them along even if this process dies first.
                stdio: ['pipe', 'pipe', 'pipe'],
            });
            // Nothing more will come: whoever waits for a line hears so now.
            const ended = (result) => {
                children.delete(this.process);
                this.waiters = this.waiters.filter((w) => !w(null));
                resolve(result);
            };
            this.process.on('exit', (code, signal) => ended({ code, signal }));
            this.process.on('error', (error) => {
                this.stderr += `${error.message}\n`;
                ended({ code: null, signal: null, error });
            });
        });
        this.pid = this.process.pid;
        children.add(this.process);
        let pending = '';
        this.process.stdout.setEncoding('latin1');
        this.process.stdout.on('data', (text) => {
            pending += text;
            let newline;
            while ((newline = pending.indexOf('\n')) >= 0) {
                const line = pending.slice(0, newline).replace(/\r$/, '');
                pending = pending.slice(newline + 1);
                this.lines.push(line);
                this.waiters = this.waiters.filter((w) => !w(line));
            }
        });
        this.process.stderr.setEncoding('latin1');
        this.process.stderr.on('data', (text) => {
            this.stderr += text;
        });
        this.process.stdin.on('error', () => {});  // a program that already left
    }

    send(line) {
        this.process.stdin.write(`${line}\n`);
    }

    // The first line from `from` on that matches; undefined once `ms` have
    // passed or the program has ended.
    waitForLine(match, ms, from = 0) {
        const test = typeof match === 'string' ? (l) => l === match : match;
        for (let i = from; i < this.lines.length; ++i) {
            if (test(this.lines[i])) return Promise.resolve(this.lines[i]);
        }
        return new Promise((resolve) => {
            const timer = setTimeout(() => {
                this.waiters = this.waiters.filter((w) => w !== waiter);
                resolve(undefined);
            }, ms);
            const waiter = (line) => {
                if (line === null) {
                    clearTimeout(timer);
                    resolve(undefined);
                    return true;
                }
                if (!test(line)) return false;
                clearTimeout(timer);
                resolve(line);
                return true;
            };
            this.waiters.push(waiter);
        });
    }

    running() {
        return children.has(this.process);
    }

    lineCount() {
        return this.lines.length;
    }

    // The last lines of its stderr, for a failure line.
    stderrTail() {
        return this.stderr.trim().split('\n').slice(-3).join(' | ');
    }

    async stop(ms = 2000) {
        if (!children.has(this.process)) return this.exited;
        const done = await withTimeout(this.exited, ms, `${this.name} exit`).catch(() => undefined);
        if (done) return done;
        this.process.kill('SIGKILL');
        return this.exited;
    }
}

// ---- the environment -------------------------------------------------------

function nodeIsRecentEnough() {
    const [major, minor] = process.versions.node.split('.').map(Number);
    return major > 20 || (major === 20 && minor >= 17);
}

// node-simconnect from the folder scripts/node-peer.sh filled; the test fails
// with one line saying what is missing rather than skipping.
export function loadNodeSimconnect() {
    if (!nodeIsRecentEnough()) {
        console.log(`FAIL node-simconnect needs Node.js 20.17 or later; found: ${process.version}`);
        process.exit(1);
    }
    const folder = process.env.BRELVIK_NODE_PEER;
    if (!folder) {
        console.log('FAIL BRELVIK_NODE_PEER is not set: scripts/test sets it (scripts/node-peer.sh, brelvik_node_peer)');
        process.exit(1);
    }
    const require = createRequire(path.join(folder, 'package.json'));
    let version;
    try {
        version = JSON.parse(readFileSync(require.resolve('node-simconnect/package.json'), 'utf8')).version;
    } catch (error) {
        console.log(`FAIL node-simconnect is not installed in BRELVIK_NODE_PEER=${folder}: ${error.message}`);
        process.exit(1);
    }
    if (version !== kNodeSimconnectVersion) {
        console.log(`FAIL BRELVIK_NODE_PEER=${folder} holds node-simconnect ${version}, not ${kNodeSimconnectVersion}`);
        process.exit(1);
    }
    return require('node-simconnect');
}

export function builtProgram(relative) {
    const folder = process.env.BRELVIK_BINARY_DIR;
    if (!folder) {
        console.log('FAIL BRELVIK_BINARY_DIR is not set (ctest sets it to the build folder)');
        process.exit(1);
    }
    return path.join(folder, relative);
}

// ---- a relay that hands bytes on one at a time ------------------------------

// Every byte in either direction is its own socket write, with Nagle off and
// each write flushed before the next begins, so whoever reads receives requests
// and messages cut at every possible place.
export function startTrickleRelay(upstreamPort) {
    const sockets = new Set();
    let relayed = 0;
    const server = net.createServer((client) => {
        const upstream = net.connect(upstreamPort, '127.0.0.1');
        for (const s of [client, upstream]) {
            s.setNoDelay(true);
            sockets.add(s);
            s.on('error', () => {});
            s.on('close', () => sockets.delete(s));
        }
        trickle(client, upstream);
        trickle(upstream, client);
    });

    function trickle(from, to) {
        const queue = [];
        let head = 0;
        let writing = false;
        let ended = false;
        const pump = () => {
            if (writing) return;
            if (queue.length === 0) {
                if (ended) to.end();
                return;
            }
            const chunk = queue[0];
            const byte = chunk.subarray(head, head + 1);
            if (++head === chunk.length) {
                queue.shift();
                head = 0;
            }
            writing = true;
            ++relayed;
            to.write(byte, () => {
                writing = false;
                setImmediate(pump);
            });
        };
        from.on('data', (chunk) => {
            queue.push(Buffer.from(chunk));
            pump();
        });
        from.on('end', () => {
            ended = true;
            pump();
        });
        from.on('close', () => {
            if (queue.length === 0) to.destroy();
        });
    }

    return new Promise((resolve, reject) => {
        server.on('error', reject);
        server.listen(0, '127.0.0.1', () => {
            resolve({
                port: server.address().port,
                relayed: () => relayed,
                close: () => {
                    for (const s of sockets) s.destroy();
                    server.close();
                },
            });
        });
    });
}
