#include "cli/report/html_report.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "cli/output/messages.h"
#include "cli/output/utc_time.h"
#include "cli/output/visible_text.h"

namespace {

// The page's whole style. Phase colours are told apart in grey print too
// (different lightness), and each bar also names its phase in its title.
constexpr const char* kStyle = R"CSS(
:root{--ink:#1d2430;--muted:#5d6675;--line:#dde1e7;--bg:#f5f6f8;--card:#fff;--bad:#c0392b;--warn:#b7791f;--ok:#2f855a;--dim:#8a93a2;
--connect:#9db4d6;--transfer:#2f6db5;--check:#53b3ad;--flash:#e8772e;--reset:#f2c84b;--verify:#3f9b4f;--soak:#8e5ea2;--wait:#c9ced6;--whole:#7b8798}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--ink);font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"Noto Sans",sans-serif}
main{max-width:1280px;margin:0 auto;padding:24px 28px 48px}
code,.mono{font-family:ui-monospace,"SF Mono",Menlo,Consolas,"DejaVu Sans Mono",monospace;font-size:12.5px}
header{margin-bottom:18px}
.kicker{margin:0;color:var(--muted);font-size:12px;letter-spacing:.08em;text-transform:uppercase}
h1{margin:2px 0 10px;font-size:26px;line-height:1.2}
h2{margin:0 0 12px;font-size:17px}
.counts{display:flex;flex-wrap:wrap;gap:6px;margin:0;padding:0;list-style:none}
.counts li{padding:3px 10px;border-radius:999px;font-weight:600;font-size:13px;background:#e9ecf1}
.note{margin:10px 0 0;padding:8px 12px;border-left:4px solid var(--warn);background:#fff8e6}
section{background:var(--card);border:1px solid var(--line);border-radius:10px;padding:18px 20px;margin:16px 0}
.facts{display:grid;grid-template-columns:repeat(auto-fit,minmax(210px,1fr));gap:12px 24px;margin:0}
.facts div{min-width:0}
.facts .wide{grid-column:1/-1}
.facts dt{color:var(--muted);font-size:12px;text-transform:uppercase;letter-spacing:.05em}
.facts dd{margin:2px 0 0;overflow-wrap:anywhere}
.scroll{overflow-x:auto}
table{border-collapse:collapse;width:100%;font-size:13px}
th,td{padding:5px 10px;text-align:left;border-bottom:1px solid var(--line);vertical-align:top;white-space:nowrap}
th{position:sticky;top:0;background:#f0f2f5;font-size:12px;color:var(--muted);text-transform:uppercase;letter-spacing:.04em}
td.reason{white-space:normal;min-width:18em;max-width:42em;overflow-wrap:anywhere}
td.num{text-align:right;font-variant-numeric:tabular-nums}
tr.bad td{background:#fdf1f0}
.sub{display:block;color:var(--muted);font-size:11.5px}
.pill{display:inline-block;padding:1px 8px;border-radius:999px;font-size:12px;font-weight:600}
.r-ok{background:#e3f4ea;color:var(--ok)}
.r-bad{background:#fbe3e0;color:var(--bad)}
.r-warn{background:#fdf0d5;color:var(--warn)}
.r-dim{background:#eceef2;color:var(--muted)}
.legend{display:flex;flex-wrap:wrap;gap:4px 16px;margin:0 0 12px;padding:0;list-style:none;font-size:12.5px;color:var(--muted)}
.legend i{display:inline-block;width:14px;height:10px;border-radius:2px;margin-right:5px;vertical-align:-1px}
.tl{font-size:11.5px}
.row{display:grid;grid-template-columns:minmax(7rem,13rem) 1fr 6.5rem;align-items:center;column-gap:10px;height:15px}
.row:nth-child(even of .dev){background:#fafbfc}
.row .who{overflow:hidden;text-overflow:ellipsis;white-space:nowrap}
.row.bad .who,.row.bad .res{color:var(--bad);font-weight:600}
.row .res{color:var(--muted);white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.track{position:relative;height:11px;background-image:linear-gradient(to right,var(--line) 1px,transparent 1px);background-size:var(--grid) 100%}
.track i{position:absolute;top:0;bottom:0;min-width:2px}
.track .idle{left:0;right:0;top:5px;bottom:5px;border-top:1px dashed var(--dim)}
.track .gap{top:5px;bottom:5px;border-top:1px dotted var(--dim)}
.axis{height:22px;align-items:end;border-bottom:1px solid var(--line);margin-bottom:3px}
.axis .track{height:22px;background:none}
.axis .track span{position:absolute;bottom:3px;transform:translateX(-50%);color:var(--muted);white-space:nowrap}
.axis .track span:first-child{transform:none}
.wave{margin:8px 0 2px;padding-top:4px;border-top:1px solid var(--line);color:var(--muted);font-weight:600;font-size:12px}
.p-connect{background:var(--connect)}.p-transfer{background:var(--transfer)}.p-check{background:var(--check)}
.p-flash{background:var(--flash)}.p-reset{background:var(--reset)}.p-verify{background:var(--verify)}
.p-soak{background:var(--soak)}.p-whole{background:var(--whole)}
.p-wait{background:repeating-linear-gradient(135deg,var(--wait) 0 3px,#eef0f3 3px 6px)}
footer{color:var(--muted);font-size:12px;text-align:center}
@media (max-width:720px){
main{padding:14px 12px 32px}
h1{font-size:21px}
section{padding:14px 12px}
.row{grid-template-columns:6.5rem 1fr 4.8rem;column-gap:6px}
}
@media print{
body{background:#fff;font-size:10pt}
main{max-width:none;padding:0}
section{border:none;padding:0;margin:12pt 0;border-radius:0}
th{position:static}
table{font-size:8.5pt}
th,td{white-space:normal;padding:2px 5px}
td.mono{white-space:nowrap}
td.reason{min-width:0;max-width:none}
tr,.row{break-inside:avoid}
.scroll{overflow:visible}
*{-webkit-print-color-adjust:exact;print-color-adjust:exact}
@page{margin:12mm}
}
)CSS";

std::string Esc(const std::string& text) { return HtmlEscape(text); }

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string When(double epochSeconds) {
    using namespace std::chrono;
    const auto at = system_clock::time_point(duration_cast<system_clock::duration>(duration<double>(epochSeconds)));
    std::string text = UtcText(at, false);
    if (text.size() > 11 && text[10] == 'T') text[10] = ' ';
    if (!text.empty() && text.back() == 'Z') text.replace(text.size() - 1, 1, " UTC");
    return text;
}

std::string OrDash(const std::string& text) { return text.empty() ? "–" : Esc(text); }

// A result as a person reads it; its name stays the machine's.
const char* ResultShown(DeviceResult result) { return Tr(ResultName(result)); }

// A bar's title: the phase's name in English, its shown word in Japanese.
const char* PhaseTitle(DevicePhase phase) {
    return MessageLanguage() == Language::Japanese ? Tr(TraitsOf(phase).shown) : PhaseName(phase);
}

// A tick every 1, 2 or 5 times a power of ten seconds, or whole minutes and hours: at most 10 ticks.
double TickStep(double total) {
    constexpr double kSteps[] = {0.1, 0.2, 0.5,  1,    2,    5,     10,    15,    30,    60,     120,   300,
                                 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800, 604800};
    for (double s : kSteps)
        if (total / s <= 10) return s;
    return std::ceil(total / 10 / 604800) * 604800;
}

std::string TickText(double seconds, double step) {
    if (step < 1) return Fixed(seconds, 1) + " s";
    if (step < 60) return Fixed(seconds, 0) + " s";
    if (step < 3600) return Fixed(seconds / 60, 0) + " min";
    if (step < 86400) return Fixed(seconds / 3600, 0) + " h";
    return Fixed(seconds / 86400, 0) + " d";
}

std::string Percent(double part, double total) { return Fixed(std::clamp(part / total * 100, 0.0, 100.0), 3) + "%"; }

double Span(const RunReport& r) {
    double total = r.endTime - r.startTime;
    for (const DeviceReport& d : r.devices) total = std::max(total, d.end);
    return std::max(total, 0.001);
}

void WriteCounts(const RunReport& r, std::ostream& out) {
    std::map<int, std::pair<DeviceResult, int>> byRank;
    for (const DeviceReport& d : r.devices) {
        auto& [result, n] = byRank[TraitsOf(d.result).rank];
        result = d.result;
        ++n;
    }
    out << "<ul class=\"counts\">";
    for (const auto& [rank, count] : byRank)
        out << "<li class=\"" << TraitsOf(count.first).pageClass << "\">" << count.second << ' '
            << ResultShown(count.first) << "</li>";
    out << "</ul>\n";
}

std::string Title(const RunReport& r) {
    const std::string n = Formatted(r.devices.size() == 1 ? Tr("%zu device") : Tr("%zu devices"), r.devices.size());
    if (r.command == "history") return Formatted(Tr("Update history: %s"), n.c_str());
    const std::string version =
        r.imageVersion.empty() ? Tr("an image without version") : Formatted(Tr("firmware %s"), r.imageVersion.c_str());
    return Formatted(Tr("Update to %s: %s"), version.c_str(), n.c_str());
}

void WriteHeader(const RunReport& r, std::ostream& out) {
    out << "<header>\n<p class=\"kicker\">tqm530r "
        << (r.command == "history" ? Tr("history report") : Tr("update report")) << "</p>\n<h1>" << Esc(Title(r))
        << "</h1>\n";
    WriteCounts(r, out);
    if (!r.note.empty()) out << "<p class=\"note\">" << Esc(TrText(r.note)) << "</p>\n";
    out << "</header>\n";
}

void Fact(std::ostream& out, const char* name, const std::string& html, bool wide = false) {
    out << "<div" << (wide ? " class=\"wide\"" : "") << "><dt>" << name << "</dt><dd>" << html << "</dd></div>\n";
}

std::string WavesText(const RunReport& r) {
    if (r.waves.empty()) return Tr("one wave: every device at once (within --jobs)");
    std::string sizes;
    for (size_t i = 0; i < r.waves.size(); ++i) sizes += (i ? " · " : "") + std::to_string(r.waves[i]);
    return Formatted(r.waves.size() == 1 ? Tr("%zu wave: %s devices") : Tr("%zu waves: %s devices"), r.waves.size(),
                     sizes.c_str());
}

void WriteFacts(const RunReport& r, std::ostream& out) {
    out << "<section aria-label=\"" << Tr("Run") << "\"><dl class=\"facts\">\n";
    std::string image = "<strong>" + OrDash(r.imageVersion) + "</strong> · " + OrDash(r.imageSource);
    if (!r.imageSha256.empty()) image += "<span class=\"sub mono\">SHA-256 " + Esc(r.imageSha256) + "</span>";
    Fact(out, Tr("Image"), image, true);
    Fact(out, Tr("Started"), Esc(When(r.startTime)));
    Fact(out, Tr("Ended"),
         Esc(When(r.endTime)) + "<span class=\"sub\">" +
             Esc(Formatted(Tr("%s in all"), DurationText(r.endTime - r.startTime).c_str())) + "</span>");
    Fact(out, Tr("Host"), r.host.empty() ? Tr("not recorded") : Esc(r.host));
    if (r.exitCode >= 0) Fact(out, Tr("Exit code"), std::to_string(r.exitCode));
    if (!r.options.empty()) Fact(out, Tr("Command"), "<code>" + Esc(r.options) + "</code>", true);
    if (r.command != "history" || !r.waves.empty()) Fact(out, Tr("Waves"), Esc(WavesText(r)), true);
    out << "</dl></section>\n";
}

// The result beside the device, so that a narrow screen shows both before it scrolls.
void WriteDeviceRow(const DeviceReport& d, bool waves, std::ostream& out) {
    out << "<tr" << (TraitsOf(d.result).needsLook ? " class=\"bad\"" : "") << "><td class=\"mono\">";
    if (!d.name.empty()) out << "<strong>" << Esc(d.name) << "</strong>" << (d.label.empty() ? "" : " ");
    out << Esc(d.label);
    if (!d.address.empty() && d.label.compare(0, d.address.size(), d.address) != 0)
        out << "<span class=\"sub\">" << Esc(d.address) << "</span>";
    out << "</td><td><span class=\"pill " << TraitsOf(d.result).pageClass << "\">" << ResultShown(d.result)
        << "</span></td><td class=\"mono\">" << OrDash(d.mac) << "</td><td>" << OrDash(d.before) << "</td><td>"
        << OrDash(d.after) << "</td><td class=\"num\">" << d.attempts << "</td>";
    if (waves) out << "<td class=\"num\">" << (d.wave > 0 ? std::to_string(d.wave) : "–") << "</td>";
    out << "<td class=\"num\">" << (d.start >= 0 ? Esc(DurationText(d.end - d.start)) : "–")
        << "</td><td class=\"reason\">" << OrDash(TrText(d.reason)) << "</td></tr>\n";
}

void WriteTable(const RunReport& r, std::ostream& out) {
    const bool waves = !r.waves.empty();
    out << "<section aria-labelledby=\"devices\"><h2 id=\"devices\">" << Tr("Devices") << "</h2>\n";
    if (r.devices.empty()) {
        out << "<p>" << Tr("No device in this run.") << "</p></section>\n";
        return;
    }
    out << "<div class=\"scroll\"><table>\n<thead><tr>";
    for (const char* heading : {Tr("Device"), Tr("Result"), "MAC", Tr("Before"), Tr("After"), Tr("Attempts"),
                                waves ? Tr("Wave") : nullptr, Tr("Time"), Tr("Reason")})
        if (heading) out << "<th>" << heading << "</th>";
    out << "</tr></thead>\n<tbody>\n";
    for (const DeviceReport* d : DevicesFailuresFirst(r)) WriteDeviceRow(*d, waves, out);
    out << "</tbody></table></div></section>\n";
}

// Devices that answered but are not in the inventory: never logged in to.
void WriteUnlisted(const RunReport& r, std::ostream& out) {
    if (r.unlisted.empty()) return;
    out << "<section aria-labelledby=\"unlisted\"><h2 id=\"unlisted\">" << Tr("Not in inventory") << "</h2>\n<p>"
        << Tr("These answered the search but are not in the inventory; they were not touched.")
        << "</p>\n<div class=\"scroll\"><table>\n<thead><tr><th>" << Tr("Address")
        << "</th><th>MAC</th></tr></thead>\n<tbody>\n";
    for (const auto& [address, mac] : r.unlisted)
        out << "<tr><td class=\"mono\">" << Esc(address) << "</td><td class=\"mono\">" << Esc(mac) << "</td></tr>\n";
    out << "</tbody></table></div></section>\n";
}

// The six steps of every update, and the other kinds only when the run has them.
void WriteLegend(const RunReport& r, std::ostream& out) {
    std::set<DevicePhase> used;
    for (const DeviceReport& d : r.devices)
        for (const PhaseSpan& s : d.phases) used.insert(s.phase);
    out << "<ul class=\"legend\">";
    for (const PhaseTraits& p : kPhaseTraits) {
        if (!p.drawn || p.timeline != p.phase) continue;
        if (p.phase >= DevicePhase::Soak && !used.count(p.phase)) continue;
        out << "<li><i class=\"p-" << p.name << "\"></i>" << Tr(p.shown) << "</li>";
    }
    out << "</ul>\n";
}

void WriteAxis(double total, double step, std::ostream& out) {
    out << "<div class=\"row axis\" aria-hidden=\"true\"><div></div><div class=\"track\">";
    for (double t = 0; t <= total + step * 1e-6; t += step)
        out << "<span style=\"left:" << Percent(t, total) << "\">" << TickText(t, step) << "</span>";
    out << "</div><div></div></div>\n";
}

// The device as the timeline names it: its inventory name first.
std::string Who(const DeviceReport& d) {
    if (d.name.empty()) return d.label;
    return d.label.empty() ? d.name : d.name + " " + d.label;
}

void WriteTimelineRow(const DeviceReport& d, double total, std::ostream& out) {
    const std::string result = ResultShown(d.result);
    const std::string took = d.start >= 0 ? ", " + DurationText(d.end - d.start) : "";
    out << "<div class=\"row dev" << (TraitsOf(d.result).needsLook ? " bad" : "") << "\" title=\"" << Esc(Who(d))
        << ": " << Esc(result) << Esc(took) << "\"><div class=\"who mono\">" << Esc(Who(d))
        << "</div><div class=\"track\">";
    if (d.start < 0) out << "<i class=\"idle\"></i>";
    double last = d.start;
    for (const PhaseSpan& s : d.phases) {
        // A pause between spans (before the soak's read): a thin line.
        if (s.start > last + total * 0.002)
            out << "<i class=\"gap\" style=\"left:" << Percent(last, total)
                << ";width:" << Percent(s.start - last, total) << "\"></i>";
        last = std::max(last, s.end);
        out << "<i class=\"p-" << PhaseName(s.phase) << "\" style=\"left:" << Percent(s.start, total)
            << ";width:" << Percent(s.end - s.start, total) << "\" title=\"" << PhaseTitle(s.phase) << ' '
            << Esc(DurationText(s.end - s.start)) << "\"></i>";
    }
    out << "</div><div class=\"res\">" << Esc(result) << "</div></div>\n";
}

// Devices in the order they ran: by wave, then start; those never started last.
std::vector<const DeviceReport*> TimelineOrder(const RunReport& r) {
    std::vector<const DeviceReport*> order;
    for (const DeviceReport& d : r.devices) order.push_back(&d);
    std::stable_sort(order.begin(), order.end(), [](const DeviceReport* a, const DeviceReport* b) {
        if (a->wave != b->wave) return a->wave < b->wave;
        if ((a->start >= 0) != (b->start >= 0)) return a->start >= 0;
        return a->start < b->start;
    });
    return order;
}

void WriteTimeline(const RunReport& r, std::ostream& out) {
    if (r.devices.empty()) return;
    const double total = Span(r);
    const double step = TickStep(total);
    out << "<section aria-labelledby=\"timeline\"><h2 id=\"timeline\">" << Tr("Timeline") << "</h2>\n";
    WriteLegend(r, out);
    out << "<div class=\"tl\" style=\"--grid:" << Percent(step, total) << "\">\n";
    WriteAxis(total, step, out);
    int wave = -1;
    for (const DeviceReport* d : TimelineOrder(r)) {
        if (!r.waves.empty() && d->wave != wave) {
            wave = d->wave;
            out << "<div class=\"wave\">" << (wave > 0 ? Formatted(Tr("Wave %d"), wave) : std::string(Tr("No wave")))
                << "</div>\n";
        }
        WriteTimelineRow(*d, total, out);
    }
    out << "</div></section>\n";
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
    const std::string valid = ValidUtf8(text);
    std::string out;
    out.reserve(valid.size() + 16);
    for (const char c : valid) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\t':
        case '\r':
        case '\n': out += ' '; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                out += "\xEF\xBF\xBD";
            else
                out += c;
        }
    }
    return out;
}

std::string DurationText(double seconds) {
    if (!(seconds >= 0)) seconds = 0;
    if (seconds < 60) return Fixed(seconds, 1) + " s";
    const long long whole = std::llround(seconds);
    char text[48];
    if (whole < 3600)
        std::snprintf(text, sizeof text, "%lld min %02lld s", whole / 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld h %02lld min", whole / 3600, whole / 60 % 60);
    return text;
}

void WriteHtmlReport(const RunReport& r, std::ostream& out) {
    const char* lang = MessageLanguage() == Language::Japanese ? "ja" : "en";
    out << "<!DOCTYPE html>\n<html lang=\"" << lang
        << "\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
           "<title>"
        << Esc(Title(r)) << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n<main>\n";
    WriteHeader(r, out);
    WriteFacts(r, out);
    WriteTable(r, out);
    WriteUnlisted(r, out);
    WriteTimeline(r, out);
    out << "<footer>" << Tr("Made by tqm530r. Times in UTC; each timeline bar runs from the device's start to its end.")
        << "</footer>\n"
           "</main>\n</body>\n</html>\n";
}
