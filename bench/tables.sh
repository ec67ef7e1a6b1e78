#!/usr/bin/env bash
# Turns the records of one run of scripts/bench.sh (standard input) into the
# tables of docs/performance.md: medians over the measured rounds (round 0 is
# the warm-up), ratios, per-value costs, memory, and the targets at 10,000 keys.
exec awk '
function put(k, name, x) { value[b, k, s, name, ++count[b, k, s, name]] = x + 0 }
function sort(v, n,    i, j, t) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
}
# The median of a field over one kind'"'"'s rounds in build b at size s; "" when not measured.
function m(k, name,    n, i, v) {
    if (!(n = count[b, k, s, name])) return ""
    for (i = 1; i <= n; i++) v[i] = value[b, k, s, name, i]
    sort(v, n)
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}
function ratio(x, y) { return x == "" || y == "" || y == 0 ? "" : x / y }
function sum(x, y) { return x == "" || y == "" ? "" : x + y }
function less(x, y) { return x == "" || y == "" ? "" : x - y }
function per(ms) { return ms == "" ? "" : ratio(ms * 1000, n) }
function show(x, format) { return x == "" ? "n/a" : sprintf(format ? format : "%.0f", x) }
function r2(x) { return show(x, "%.2f") }
function mib(x, format) { return show(x == "" ? "" : x / 1048576, format ? format : "%.1f") }
function thousands(x) {
    for (x = sprintf("%d", x); x ~ /[0-9][0-9][0-9][0-9]/;) sub(/[0-9][0-9][0-9]($|,)/, ",&", x)
    return x
}
function verdict(x, limit) { return r2(x) ", " (x == "" ? "not measured" : x <= limit ? "met" : "MISSED") }
# The figures of build b at one size.
function figures(size) {
    s = size; n = m("export", "values"); ex = m("export", "export_ms"); scan = m("export", "scan_ms")
    sx = m("export", "savexml_ms"); build = m("export", "dom_ms"); walk = m("floor", "floor_ms")
    dom = m("domfloor", "domfloor_ms"); fb = m("domfloor", "dom_ms"); both = sum(walk, dom)
    reg = m("regexport", "net_ms"); red = m("regedit", "net_ms")
}
# The sizes build b measured, ascending, in list[1..]; returns how many.
function ascending(list,    key, p, last) {
    for (key in sizes) if (split(key, p, SUBSEP) && p[1] == b) list[++last] = p[2] + 0
    sort(list, last)
    return last
}
# One table: a row of cells ("|"-separated) for each size build b measured.
function table(title, columns, which,    i, p, list, last) {
    printf "%s### %s (medians, %s)\n\n%s\n|", tables++ ? "\n" : "", title, which == 3 ? "MiB" : "ms", cells(columns)
    for (i = split(columns, p, "|"); i > 0; i--) printf "---:|"
    print ""
    for (i = 1; i <= ascending(list); i++) {
        figures(list[i])
        rounds = count[b, "export", s, "kind"] + 0
        if (which == 1) row = (n == "" ? "n/a" : thousands(n)) "|" rounds "|" show(ex) "|" show(walk) "|" show(dom) "|" \
            show(both) "|" show(reg) "|" show(red) "|" r2(ratio(ex, both)) "|" r2(ratio(ex, reg)) "|" r2(ratio(ex, red)) \
            "|" r2(per(ex)) "|" r2(per(reg)) "|" r2(per(red)) "|" show(m("noop", "wall_ms"))
        if (which == 2) row = show(scan) "|" show(walk) "|" r2(ratio(scan, walk)) "|" show(sx) "|" show(build) "|" \
            show(m("export", "save_ms")) "|" show(m("export", "release_ms")) "|" show(dom) "|" show(fb) "|" \
            show(m("domfloor", "save_ms")) "|" show(m("domfloor", "release_ms")) "|" r2(ratio(sx, dom)) "|" r2(ratio(build, fb))
        raw = m("export", "raw_bytes"); held = m("export", "snapshot_held_bytes"); own = m("export", "snapshot_private_bytes")
        if (which == 3) row = mib(raw) "|" mib(held) "|" r2(ratio(held, raw)) "|" mib(own) "|" r2(ratio(own, raw)) "|" \
            mib(m("export", "peak_ws_bytes"))
        if (which == 4) row = rounds "|" show(ex) "|" show(scan) "|" show(sx) "|" show(build) "|" show(m("export", "save_ms")) \
            "|" show(dom) "|" r2(ratio(sx, dom)) "|" r2(per(ex)) "|" mib(m("export", "peak_ws_bytes"), "%.0f") "|" \
            mib(m("export", "filled_ws_bytes"), "%.0f")
        print cells(thousands(s) "|" row)
    }
}
function cells(row) { gsub(/\|/, " | ", row); return "| " row " |" }
{
    split("", f)
    for (i = 1; i <= NF; i++) if ((e = index($i, "=")) > 1) f[substr($i, 1, e - 1)] = substr($i, e + 1)
    if (f["build"] == "" || f["kind"] == "" || !(f["size"] * f["round"])) next
    b = f["build"]; s = f["size"] + 0; sizes[b, s]
    for (name in f) put(f["kind"], name, f[name])
    wall[b, f["kind"], s, f["round"]] = f["wall_ms"]
}
END {
    # The peers are timed from outside: their wall time less the same round'"'"'s empty process.
    for (key in wall)
        if (split(key, p, SUBSEP) && (p[1], "noop", p[3], p[4]) in wall) {
            b = p[1]; s = p[3]; put(p[2], "net_ms", wall[key] - wall[b, "noop", s, p[4]])
        }
    b = "windows"
    table("Windows build under Wine: export, floors and peers", "keys|values|rounds|export|walk floor|DOM floor|" \
        "walk + DOM floor|reg export|regedit /E|export / (walk + DOM floor)|export / reg export|export / regedit /E|" \
        "export us/value|reg export us/value|regedit us/value|start-up", 1)
    # saveXml is its two steps and the release of the document; its save holds the temporary file, its
    # check and the replacement, the DOM floor'"'"'s the bare save.
    table("Windows build: steps of the export against the floors", "keys|scan|walk floor|scan / walk floor|saveXml|" \
        "DOM build|save|release|DOM floor|floor build|floor save|floor release|saveXml / DOM floor|build / floor build", 2)
    # Wine fills PeakPagefileUsage with the current private figure: only the working set has a real peak.
    table("Windows build: memory of the export process", "keys|raw data|snapshot held|held / raw|snapshot private|" \
        "private / raw|peak working set", 3)
    b = "standin"
    table("Stand-in build: export against its DOM floor", "keys|rounds|export|scan|saveXml|DOM build|save|DOM floor|" \
        "saveXml / DOM floor|export us/value|peak RSS export MiB|RSS of filled registry MiB", 4)

    b = "windows"
    figures(10000)
    print "\n### Targets at 10,000 keys / 100,000 values (Windows build)\n"
    print "- build + save + release / DOM floor'"'"'s <= 1.10: " verdict(ratio(sx, dom), 1.10)
    print "- export / (walk floor + DOM floor) <= 1.10: " verdict(ratio(ex, both), 1.10)
    # The peers write each value as they read it and build no document: even an export at both floors is
    # compared with them. What a peer takes beyond the walk floor is its own reading and its writing.
    print "- peers: export / reg export " r2(ratio(ex, reg)) ", export / regedit /E " r2(ratio(ex, red)) \
        "; at both floors, (walk + DOM floor) / reg export " r2(ratio(both, reg)) ", / regedit /E " r2(ratio(both, red))
    print "- beyond the walk floor: reg export " show(less(reg, walk)) " ms, regedit /E " show(less(red, walk)) \
        " ms; the DOM floor " show(dom) " ms"
    print "\nEarlier targets, from the same run:\n"
    print "- export / reg export <= 0.8: " verdict(ratio(ex, reg), 0.8)
    print "- export / walk floor <= 1.5: " verdict(ratio(ex, walk), 1.5)
    print "- snapshot private memory <= 2 x raw data: " \
        verdict(ratio(m("export", "snapshot_private_bytes"), m("export", "raw_bytes")), 2.0)
    # Flat: no size costs more than a quarter more per value than the cheapest.
    for (i = 1; i <= ascending(ws); i++) {
        figures(ws[i])
        if ((x = per(ex)) == "") continue
        costs = costs (costs == "" ? "" : ", ") thousands(s) " keys " r2(x) " us"
        if (low == "" || x < low) low = x
        if (high == "" || x > high) high = x
    }
    print "- export cost per value flat up to 100,000 keys (highest / lowest <= 1.25): " costs "; " \
        verdict(ascending(ws) > 1 ? ratio(high, low) : "", 1.25)
}' "$@"
