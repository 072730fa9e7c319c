# node-simconnect, the SimConnect client the peer tests (tests/peer) judge
# benchsim and brelvik's requests with. Sourced by scripts/test after
# scripts/setup.sh (BRELVIK_CACHE, brelvik_step).

BRELVIK_NODE_PEER_SOURCE="$PWD/tests/peer"

# Installs the packages locked in tests/peer once per lockfile into
# $BRELVIK_CACHE/node-simconnect-<lockfile hash> and exports BRELVIK_NODE_PEER,
# the folder holding their node_modules. Without a recent enough Node.js it says
# so in one line and fails; the peer tests then fail, naming what they lack.
brelvik_node_peer() {
    local lock="$BRELVIK_NODE_PEER_SOURCE/package-lock.json" found hash folder staging home rc=0
    found="$(node --version 2>/dev/null)" || found="no node on PATH"
    if ! node -e 'const [a, b] = process.versions.node.split(".").map(Number);
                  process.exit(a > 20 || (a === 20 && b >= 17) ? 0 : 1)' 2>/dev/null; then
        echo "node-simconnect needs Node.js 20.17 or later; found: $found" >&2
        return 1
    fi
    if ! command -v npm >/dev/null 2>&1; then
        echo "node-simconnect is installed with npm, which is not on PATH (Node.js $found)" >&2
        return 1
    fi
    hash="$(sha256sum "$lock" | cut -c1-16)" || return 1
    folder="$BRELVIK_CACHE/node-simconnect-$hash"
    if [ ! -f "$folder/.complete" ]; then
        echo "== node-simconnect for the peer tests, in $folder (once)"
        # Only a complete folder is ever moved in; one without the marker was
        # left by hand and is not to be trusted.
        [ -d "$folder" ] && [ ! -f "$folder/.complete" ] && rm -rf "$folder"
        mkdir -p "$BRELVIK_CACHE" || return 1
        # Filled beside the cache folder and moved in whole, so a run that is
        # stopped half way, or a second clone installing at the same moment,
        # never leaves a folder that looks complete and is not.
        staging="$(mktemp -d "$BRELVIK_CACHE/node-simconnect-$hash.XXXXXX")" || return 1
        # A home of its own: no user's .npmrc, registry mirror or npm cache
        # changes what is installed, and CI's empty home is enough.
        home="$(mktemp -d)" || return 1
        cp "$BRELVIK_NODE_PEER_SOURCE/package.json" "$lock" "$staging/" &&
            brelvik_step node-peer "install node-simconnect with npm ci" \
                env -C "$staging" HOME="$home" npm_config_cache="$home/npm-cache" \
                npm ci --registry=https://registry.npmjs.org/ --ignore-scripts --no-audit --no-fund \
                --no-update-notifier &&
            touch "$staging/.complete" || rc=$?
        rm -rf "$home"
        if [ "$rc" -ne 0 ]; then
            rm -rf "$staging"
            # Said once already; a caller that goes on without the peer must
            # still hear about the next step that fails.
            unset brelvik_step_reported
            return "$rc"
        fi
        if ! mv -T "$staging" "$folder" 2>/dev/null; then
            rm -rf "$staging"  # another run finished first
            [ -f "$folder/.complete" ] || { echo "${0##*/}: cannot move node-simconnect into $folder" >&2; return 1; }
        fi
    fi
    export BRELVIK_NODE_PEER="$folder"
}
