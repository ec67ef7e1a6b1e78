// Reads the records of one benchmark run (scripts/bench.sh) from standard
// input and prints the tables of docs/performance.md: medians over the
// measured rounds (round 0 is the warm-up and is left out), ratios to the
// floors and the peers, per-value costs, steps and memory, and how the
// figures at 10,000 keys compare with the targets.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TRun {
    std::string build, kind;
    unsigned size = 0, round = 0;
    std::map<std::string, double> fields;
};

std::vector<TRun> readRuns(std::istream& in) {
    std::vector<TRun> runs;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string word;
        TRun run;
        while (words >> word) {
            const std::size_t equals = word.find('=');
            if (equals == std::string::npos) continue;
            const std::string name = word.substr(0, equals), value = word.substr(equals + 1);
            if (name == "build")
                run.build = value;
            else if (name == "kind")
                run.kind = value;
            else if (name == "size")
                run.size = static_cast<unsigned>(std::stoul(value));
            else if (name == "round")
                run.round = static_cast<unsigned>(std::stoul(value));
            else
                run.fields[name] = std::stod(value);
        }
        if (!run.build.empty() && !run.kind.empty() && run.size && run.round) runs.push_back(run);
    }
    return runs;
}

std::optional<double> median(std::vector<double> values) {
    if (values.empty()) return std::nullopt;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class TResults {
public:
    explicit TResults(std::vector<TRun> runs) : runs_(std::move(runs)) {}

    std::set<unsigned> sizes(const std::string& build) const {
        std::set<unsigned> found;
        for (const TRun& run : runs_)
            if (run.build == build) found.insert(run.size);
        return found;
    }
    unsigned rounds(const std::string& build, const std::string& kind, unsigned size) const {
        std::set<unsigned> found;
        for (const TRun& run : runs_)
            if (run.build == build && run.kind == kind && run.size == size) found.insert(run.round);
        return static_cast<unsigned>(found.size());
    }
    std::optional<double> field(const std::string& build, const std::string& kind, unsigned size,
                                const std::string& name) const {
        std::vector<double> values;
        for (const TRun& run : runs_)
            if (run.build == build && run.kind == kind && run.size == size) {
                auto it = run.fields.find(name);
                if (it != run.fields.end()) values.push_back(it->second);
            }
        return median(values);
    }
    // Median over rounds of one kind's wall time less the same round's
    // start-up cost (an empty process).
    std::optional<double> netWall(const std::string& build, const std::string& kind, unsigned size) const {
        std::vector<double> values;
        for (const TRun& run : runs_) {
            if (run.build != build || run.kind != kind || run.size != size) continue;
            for (const TRun& noop : runs_)
                if (noop.build == build && noop.kind == "noop" && noop.size == size && noop.round == run.round)
                    values.push_back(run.fields.at("wall_ms") - noop.fields.at("wall_ms"));
        }
        return median(values);
    }

private:
    std::vector<TRun> runs_;
};

std::optional<double> ratio(std::optional<double> a, std::optional<double> b) {
    if (!a || !b || *b == 0) return std::nullopt;
    return *a / *b;
}
std::optional<double> perValue(std::optional<double> ms, std::optional<double> values) {
    if (!ms || !values || *values == 0) return std::nullopt;
    return *ms * 1000 / *values;
}
std::optional<double> mib(std::optional<double> bytes) {
    if (!bytes) return std::nullopt;
    return *bytes / (1024.0 * 1024.0);
}

std::string show(std::optional<double> value, const char* format = "%.0f") {
    if (!value) return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, format, *value);
    return text;
}
std::string showRatio(std::optional<double> value) {
    return show(value, "%.2f");
}
std::string showCount(unsigned size) {
    std::string digits = std::to_string(size), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

void row(const std::vector<std::string>& cells) {
    std::string line = "|";
    for (const std::string& cell : cells) line += " " + cell + " |";
    std::cout << line << "\n";
}
void header(const std::vector<std::string>& cells) {
    row(cells);
    std::string line = "|";
    for (std::size_t i = 0; i < cells.size(); ++i) line += "---:|";
    std::cout << line << "\n";
}

// The sum of two medians, when both were measured.
std::optional<double> sum(std::optional<double> a, std::optional<double> b) {
    if (!a || !b) return std::nullopt;
    return *a + *b;
}

void windowsTables(const TResults& r) {
    const std::string w = "windows";
    std::cout << "### Windows build under Wine: export, floors and peers (medians, ms)\n\n";
    // The peers' figures are wall times less an empty process's; the others
    // are timed inside the process.
    header({"keys", "values", "rounds", "export", "walk floor", "DOM floor", "walk + DOM floor", "reg export",
            "regedit /E", "export / (walk + DOM floor)", "export / reg export", "export / regedit /E",
            "export us/value", "reg export us/value", "regedit us/value", "start-up"});
    for (unsigned size : r.sizes(w)) {
        const auto values = r.field(w, "export", size, "values");
        const auto exportMs = r.field(w, "export", size, "export_ms");
        const auto walkMs = r.field(w, "floor", size, "floor_ms");
        const auto domMs = r.field(w, "domfloor", size, "domfloor_ms");
        const auto floors = sum(walkMs, domMs);
        const auto regMs = r.netWall(w, "regexport", size);
        const auto regeditMs = r.netWall(w, "regedit", size);
        row({showCount(size), values ? showCount(static_cast<unsigned>(*values)) : "n/a",
             std::to_string(r.rounds(w, "export", size)), show(exportMs), show(walkMs), show(domMs), show(floors),
             show(regMs), show(regeditMs), showRatio(ratio(exportMs, floors)), showRatio(ratio(exportMs, regMs)),
             showRatio(ratio(exportMs, regeditMs)), show(perValue(exportMs, values), "%.2f"),
             show(perValue(regMs, values), "%.2f"), show(perValue(regeditMs, values), "%.2f"),
             show(r.field(w, "noop", size, "wall_ms"))});
    }

    std::cout << "\n### Windows build: steps of the export against the floors (medians, ms)\n\n";
    // saveXml is its two steps and the release of the document; its "save"
    // holds the temporary file, its check and the replacement, the DOM
    // floor's the bare save.
    header({"keys", "scan", "walk floor", "scan / walk floor", "saveXml", "DOM build", "save", "release", "DOM floor",
            "floor build", "floor save", "floor release", "saveXml / DOM floor", "build / floor build"});
    for (unsigned size : r.sizes(w)) {
        const auto scan = r.field(w, "export", size, "scan_ms");
        const auto walkMs = r.field(w, "floor", size, "floor_ms");
        const auto saveXml = r.field(w, "export", size, "savexml_ms");
        const auto build = r.field(w, "export", size, "dom_ms");
        const auto domMs = r.field(w, "domfloor", size, "domfloor_ms");
        const auto floorBuild = r.field(w, "domfloor", size, "dom_ms");
        row({showCount(size), show(scan), show(walkMs), showRatio(ratio(scan, walkMs)), show(saveXml), show(build),
             show(r.field(w, "export", size, "save_ms")), show(r.field(w, "export", size, "release_ms")), show(domMs),
             show(floorBuild), show(r.field(w, "domfloor", size, "save_ms")),
             show(r.field(w, "domfloor", size, "release_ms")), showRatio(ratio(saveXml, domMs)),
             showRatio(ratio(build, floorBuild))});
    }

    std::cout << "\n### Windows build: memory of the export process (medians, MiB)\n\n";
    // Wine fills PeakPagefileUsage with the current private figure, so only
    // the working set has a real peak.
    header(
        {"keys", "raw data", "snapshot held", "held / raw", "snapshot private", "private / raw", "peak working set"});
    for (unsigned size : r.sizes(w)) {
        const auto raw = r.field(w, "export", size, "raw_bytes");
        const auto held = r.field(w, "export", size, "snapshot_held_bytes");
        const auto privateBytes = r.field(w, "export", size, "snapshot_private_bytes");
        row({showCount(size), show(mib(raw), "%.1f"), show(mib(held), "%.1f"), showRatio(ratio(held, raw)),
             show(mib(privateBytes), "%.1f"), showRatio(ratio(privateBytes, raw)),
             show(mib(r.field(w, "export", size, "peak_ws_bytes")), "%.1f")});
    }
}

void standinTable(const TResults& r) {
    const std::string s = "standin";
    std::cout << "\n### Stand-in build: export against libxml2 building and saving directly (medians, ms)\n\n";
    header({"keys", "rounds", "export", "scan", "saveXml", "DOM build", "save", "DOM floor", "saveXml / DOM floor",
            "libxml2 export", "libxml2 build", "libxml2 save", "export / libxml2", "writer / libxml2 writer",
            "export us/value", "peak RSS export MiB", "peak RSS libxml2 MiB", "RSS of filled registry MiB"});
    for (unsigned size : r.sizes(s)) {
        const auto values = r.field(s, "export", size, "values");
        const auto exportMs = r.field(s, "export", size, "export_ms");
        const auto direct = r.field(s, "libxml2", size, "export_ms");
        std::optional<double> directWriter;
        const auto build = r.field(s, "libxml2", size, "dom_ms");
        const auto save = r.field(s, "libxml2", size, "save_ms");
        const auto release = r.field(s, "libxml2", size, "release_ms");
        if (build && save && release) directWriter = *build + *save + *release;
        const auto saveXml = r.field(s, "export", size, "savexml_ms");
        const auto domMs = r.field(s, "domfloor", size, "domfloor_ms");
        row({showCount(size), std::to_string(r.rounds(s, "export", size)), show(exportMs),
             show(r.field(s, "export", size, "scan_ms")), show(saveXml), show(r.field(s, "export", size, "dom_ms")),
             show(r.field(s, "export", size, "save_ms")), show(domMs), showRatio(ratio(saveXml, domMs)), show(direct),
             show(build), show(save), showRatio(ratio(exportMs, direct)), showRatio(ratio(saveXml, directWriter)),
             show(perValue(exportMs, values), "%.2f"), show(mib(r.field(s, "export", size, "peak_ws_bytes")), "%.0f"),
             show(mib(r.field(s, "libxml2", size, "peak_ws_bytes")), "%.0f"),
             show(mib(r.field(s, "export", size, "filled_ws_bytes")), "%.0f")});
    }
}

const char* verdict(std::optional<double> value, double limit) {
    if (!value) return "not measured";
    return *value <= limit ? "met" : "MISSED";
}

void targets(const TResults& r) {
    const std::string w = "windows";
    const unsigned size = 10000;
    const auto exportMs = r.field(w, "export", size, "export_ms");
    const auto walkMs = r.field(w, "floor", size, "floor_ms");
    const auto domMs = r.field(w, "domfloor", size, "domfloor_ms");
    const auto floors = sum(walkMs, domMs);
    const auto writerByFloor = ratio(r.field(w, "export", size, "savexml_ms"), domMs);
    const auto exportByFloors = ratio(exportMs, floors);
    const auto regMs = r.netWall(w, "regexport", size);
    const auto regeditMs = r.netWall(w, "regedit", size);
    const auto byReg = ratio(exportMs, regMs);
    const auto byFloor = ratio(exportMs, walkMs);
    const auto privateByRaw =
        ratio(r.field(w, "export", size, "snapshot_private_bytes"), r.field(w, "export", size, "raw_bytes"));
    std::cout << "\n### Targets at 10,000 keys / 100,000 values (Windows build)\n\n";
    std::cout << "- build + save + release / DOM floor's <= 1.10: " << showRatio(writerByFloor) << ", "
              << verdict(writerByFloor, 1.10) << "\n";
    std::cout << "- export / (walk floor + DOM floor) <= 1.10: " << showRatio(exportByFloors) << ", "
              << verdict(exportByFloors, 1.10) << "\n";
    // The peers write each value as they read it and build no document; even
    // an export at both floors is compared with them here.
    std::cout << "- peers: export / reg export " << showRatio(byReg) << ", export / regedit /E "
              << showRatio(ratio(exportMs, regeditMs)) << "; at both floors, (walk + DOM floor) / reg export "
              << showRatio(ratio(floors, regMs)) << ", / regedit /E " << showRatio(ratio(floors, regeditMs)) << "\n";
    // What a peer takes beyond the walk floor is its reading in its own way
    // and its writing, against what the DOM alone takes at its floor.
    std::optional<double> regBeyond, regeditBeyond;
    if (regMs && walkMs) regBeyond = *regMs - *walkMs;
    if (regeditMs && walkMs) regeditBeyond = *regeditMs - *walkMs;
    std::cout << "- beyond the walk floor: reg export " << show(regBeyond) << " ms, regedit /E " << show(regeditBeyond)
              << " ms; the DOM floor " << show(domMs) << " ms\n";
    std::cout << "\nEarlier targets, from the same run:\n\n";
    std::cout << "- export / reg export <= 0.8: " << showRatio(byReg) << ", " << verdict(byReg, 0.8) << "\n";
    std::cout << "- export / walk floor <= 1.5: " << showRatio(byFloor) << ", " << verdict(byFloor, 1.5) << "\n";
    std::cout << "- snapshot private memory <= 2 x raw data: " << showRatio(privateByRaw) << ", "
              << verdict(privateByRaw, 2.0) << "\n";
    // Flat: no size costs more than a quarter more per value than the cheapest.
    std::optional<double> lowest, highest;
    std::string costs;
    for (unsigned each : r.sizes(w)) {
        const auto cost = perValue(r.field(w, "export", each, "export_ms"), r.field(w, "export", each, "values"));
        if (!cost) continue;
        costs += (costs.empty() ? "" : ", ") + showCount(each) + " keys " + show(cost, "%.2f") + " us";
        lowest = lowest ? std::min(*lowest, *cost) : *cost;
        highest = highest ? std::max(*highest, *cost) : *cost;
    }
    std::optional<double> spread;
    if (r.sizes(w).size() > 1) spread = ratio(highest, lowest);
    std::cout << "- export cost per value flat up to 100,000 keys (highest / lowest <= 1.25): " << costs << "; "
              << showRatio(spread) << ", " << verdict(spread, 1.25) << "\n";
}

}  // namespace

int main() {
    const TResults results(readRuns(std::cin));
    windowsTables(results);
    standinTable(results);
    targets(results);
    return 0;
}
