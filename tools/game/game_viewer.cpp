#include "tools/game/game_viewer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "game/game.h"
#include "game/record.h"
#include "plot/picture_layout.h"
#include "plot/plot_options.h"
#include "plot/shot_svg.h"
#include "shot/trajectory.h"

namespace glidestone {

namespace {

using json = nlohmann::json;

// The plot's team colours, for the scoreboard's swatches.
constexpr const char* kTeamColours[] = {"#f5c400", "#c8102e"};

std::string Fixed(double value, int digits = 3) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

// JSON that can stand inside a <script> element: ASCII only, and nothing
// that would end the element early or open a comment or script in it.
std::string ScriptJson(const json& value) {
    std::string const text = value.dump(-1, ' ', true);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char const next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '<') {
            out += text[i];
        } else if (next == '/') {
            out += "<\\";
        } else if (next == '!' || next == 's' || next == 'S') {
            // "<!--" and "<script" inside a script change how the rest is read.
            out += "\\u003c";
        } else {
            out += '<';
        }
    }
    return out;
}

// Inside an HTML page an <svg> element is in the SVG namespace already; the
// declaration would only be one more address in a page that visits none.
std::string Inline(std::string svg) {
    constexpr std::string_view declaration = " xmlns=\"http://www.w3.org/2000/svg\"";
    if (std::size_t const at = svg.find(declaration); at != std::string::npos) svg.erase(at, declaration.size());
    return svg;
}

std::string SpinWords(double spin) {
    if (spin > 0) return "counter-clockwise";
    if (spin < 0) return "clockwise";
    return "no turn";
}

std::string ActionWords(const Action& action) {
    if (const Shot* shot = std::get_if<Shot>(&action)) {
        std::string const where = "(" + Fixed(shot->target.x) + ", " + Fixed(shot->target.y) + ")";
        return (shot->pass ? "pass " + where + " at 3 m/s" : "draw to " + where) + ", " + SpinWords(shot->spin);
    }
    const Release& release = std::get<Release>(action);
    return "release (" + Fixed(release.velocity.x) + ", " + Fixed(release.velocity.y) + ") m/s turning " +
           Fixed(release.angular_velocity) + " rad/s";
}

std::string EventWords(const RuleEvent& event) {
    std::string const stone = "stone " + std::to_string(event.stone);
    switch (event.rule) {
        case Rule::kHog:
            return stone + " out of play: short of the hog line, touching no stone";
        case Rule::kBack:
            return stone + " out of play: over the back line";
        case Rule::kSide:
            return stone + " out of play: touched a side line";
        case Rule::kFreeGuardZone:
            return "free guard zone violation: " + stone + " removed, the other stones put back";
        case Rule::kNoTick:
            return "no-tick violation: " + stone + " removed, the other stones put back";
    }
    return stone + ": " + std::string(RuleName(event.rule));
}

// The picture's slots as the delivery filled them: the stones in play in
// number order, the delivered stone in the shot slot.
struct Slots {
    plot::Teams teams{};
    std::array<int, kStoneCount> numbers{};
    AllStones rest{};
};

Slots SlotsOf(const DeliveryOutcome& outcome) {
    Slots slots;
    for (std::size_t i = 0; i < outcome.before.size() && i < kShotSlot; ++i) {
        slots.teams[i] = static_cast<std::uint8_t>(outcome.before[i].team);
        slots.numbers[i] = outcome.before[i].number;
    }
    slots.teams[kShotSlot] = static_cast<std::uint8_t>(outcome.team);
    slots.numbers[kShotSlot] = outcome.stone;
    for (const StoneInPlay& stone : outcome.after) {
        std::size_t slot = kShotSlot;
        if (stone.number != outcome.stone) {
            auto const it = std::find_if(outcome.before.begin(), outcome.before.end(),
                                         [&](const StoneInPlay& s) { return s.number == stone.number; });
            if (it == outcome.before.end()) continue;
            slot = static_cast<std::size_t>(it - outcome.before.begin());
        }
        slots.rest[slot].position = stone.position;
        slots.rest[slot].present = true;
    }
    return slots;
}

std::string ScoreWords(const std::array<std::string, 2>& names, const std::array<int, 2>& score) {
    return names[0] + " " + std::to_string(score[0]) + ", " + names[1] + " " + std::to_string(score[1]);
}

constexpr const char* kStyle = R"(
body { margin: 0; font-family: "DejaVu Sans", Arial, sans-serif; font-size: 14px; color: #111; background: #fff; }
header { position: absolute; left: 0; top: 0; right: 0; height: 240px; box-sizing: border-box; padding: 6px 10px;
         overflow: auto; }
h1 { font-size: 18px; margin: 0 0 6px 0; }
table { border-collapse: collapse; }
th, td { border: 1px solid #999; padding: 2px 7px; text-align: center; min-width: 18px; }
th.team { text-align: left; }
td.end { cursor: pointer; }
td.current { outline: 2px solid #2f6bd6; }
.swatch { display: inline-block; width: 11px; height: 11px; border-radius: 6px; border: 1px solid #555;
          margin-right: 5px; vertical-align: -1px; }
.hammer { font-size: 10px; margin-left: 2px; }
#result { margin: 6px 0; font-weight: bold; }
#controls button { font-size: 14px; margin-right: 4px; }
#picture { position: absolute; margin: 0; padding: 0; line-height: 0; }
#picture svg { display: block; }
#delivery { position: absolute; right: 10px; }
#label { font-weight: bold; margin: 4px 0 8px 0; }
#events { margin: 0; padding-left: 18px; }
#end-score { margin-top: 8px; }
)";

constexpr const char* kScript = R"(
(function () {
  var D = DELIVERIES;
  var index = 0, playing = false;
  var $ = function (id) { return document.getElementById(id); };
  function show(i, write) {
    if (D.length === 0) { $('label').textContent = 'no deliveries in the record'; return; }
    index = Math.max(0, Math.min(D.length - 1, i));
    var d = D[index];
    $('picture').innerHTML = playing ? d.moving : d.still;
    $('label').textContent = d.label;
    var list = $('events');
    list.textContent = '';
    var words = d.events.length ? d.events : ['no stone out of play'];
    for (var k = 0; k < words.length; ++k) {
      var item = document.createElement('li');
      item.textContent = words[k];
      list.appendChild(item);
    }
    $('end-score').textContent = d.score || '';
    $('play').textContent = playing ? 'stop' : 'play';
    $('prev').disabled = index === 0;
    $('next').disabled = index === D.length - 1;
    var cells = document.querySelectorAll('td.end');
    for (var c = 0; c < cells.length; ++c)
      cells[c].classList.toggle('current', Number(cells[c].getAttribute('data-end')) === d.end);
    if (write) {
      var hash = '#end=' + d.end + '&delivery=' + d.delivery;
      if (location.hash !== hash) history.replaceState(null, '', hash);
    }
  }
  function find(end, delivery) {
    for (var k = 0; k < D.length; ++k)
      if (D[k].end === end && (delivery === null || D[k].delivery === delivery)) return k;
    return -1;
  }
  function fromHash() {
    var end = /[#&]end=(\d+)/.exec(location.hash), delivery = /[#&]delivery=(\d+)/.exec(location.hash);
    if (!end) return -1;
    var k = find(Number(end[1]), delivery ? Number(delivery[1]) : null);
    return k >= 0 ? k : find(Number(end[1]), null);
  }
  function go(i) { playing = false; show(i, true); }
  $('prev').addEventListener('click', function () { go(index - 1); });
  $('next').addEventListener('click', function () { go(index + 1); });
  $('play').addEventListener('click', function () { playing = !playing; show(index, true); });
  document.addEventListener('keydown', function (e) {
    if (e.key === 'ArrowLeft') { go(index - 1); e.preventDefault(); }
    else if (e.key === 'ArrowRight') { go(index + 1); e.preventDefault(); }
  });
  var cells = document.querySelectorAll('td.end');
  for (var c = 0; c < cells.length; ++c)
    cells[c].addEventListener('click', function () {
      var k = find(Number(this.getAttribute('data-end')), null);
      if (k >= 0) go(k);
    });
  window.addEventListener('hashchange', function () {
    var k = fromHash();
    if (k >= 0 && k !== index) go(k);
  });
  var start = fromHash();
  show(start >= 0 ? start : 0, start >= 0);
})();
)";

}  // namespace

namespace {

// The picture of `action` played as the next delivery of `game` (which it
// plays), and the options that draw it.
plot::ShotPicture DeliveryPicture(Game& game, const Action& action, const ViewerOptions& options,
                                  DeliveryOutcome* played, plot::PlotOptions* plot_options) {
    TrajectoryRecorder recorder(std::max(1, options.sample_every));
    DeliveryOutcome const outcome = game.Play(action, &recorder);
    Slots const slots = SlotsOf(outcome);
    plot::ShotPicture picture;
    if (const Shot* shot = std::get_if<Shot>(&action)) {
        picture.shot = *shot;
    } else {
        picture.show_target = false;
    }
    picture.release_velocity = outcome.release_velocity;
    picture.trajectory = recorder.Take();
    picture.stone_numbers = slots.numbers;
    picture.ruled_rest = slots.rest;
    plot_options->view = plot::View::kHouse;
    plot_options->teams = slots.teams;
    *played = outcome;
    return picture;
}

}  // namespace

std::string RenderGameViewer(std::span<const std::string> record_lines, const ViewerOptions& options) {
    // Everything below may trust the record: it replays line for line.
    Game const recorded = ReplayGame(record_lines);
    RecordHeader const header = ParseHeader(record_lines[0]);
    std::array<std::string, 2> names = {"Team 0", "Team 1"};
    if (header.team_names.size() == 2) names = {header.team_names[0], header.team_names[1]};

    plot::PictureLayout const layout = plot::LayoutFor(plot::View::kHouse);
    Game game(header.rules, header.seed, header.game, header.team_names);
    json deliveries = json::array();
    std::vector<int> hammer_of_end;  // by end - 1
    for (std::size_t i = 1; i < record_lines.size(); ++i) {
        json const line = json::parse(record_lines[i]);
        if (!line.contains("action")) continue;
        Action const action = ParseAction(line["action"].dump());
        DeliveryOutcome outcome;
        plot::PlotOptions plot_options;
        plot::ShotPicture const picture = DeliveryPicture(game, action, options, &outcome, &plot_options);
        if (outcome.delivery == 1) {
            hammer_of_end.resize(static_cast<std::size_t>(outcome.end));
            hammer_of_end[static_cast<std::size_t>(outcome.end - 1)] = 1 - outcome.team;
        }
        std::string still = Inline(plot::RenderShotSvg(picture, plot_options));
        plot_options.animate = true;
        std::string moving = Inline(plot::RenderShotSvg(picture, plot_options));

        json events = json::array();
        for (const RuleEvent& event : outcome.events) events.push_back(EventWords(event));
        std::string const label = "End " + std::to_string(outcome.end) + ", delivery " +
                                  std::to_string(outcome.delivery) + ": " + names[outcome.team] + ", stone " +
                                  std::to_string(outcome.stone) + ", " + ActionWords(action);
        json entry = {{"end", outcome.end}, {"delivery", outcome.delivery}, {"label", label},
                      {"events", events},   {"still", std::move(still)},    {"moving", std::move(moving)}};
        if (outcome.end_score)
            entry["score"] = "End " + std::to_string(outcome.end) + " over: " + ScoreWords(names, *outcome.end_score);
        deliveries.push_back(std::move(entry));
    }

    // The scoreboard, from the replayed game.
    const GameState& state = recorded.state();
    int const columns = std::max(
        {recorded.rules().ends, static_cast<int>(hammer_of_end.size()), static_cast<int>(state.end_scores.size())});
    std::string board = "<table id=\"scoreboard\">\n<tr><th class=\"team\">Team</th>";
    for (int end = 1; end <= columns; ++end) board += "<th>" + std::to_string(end) + "</th>";
    board += "<th>Total</th></tr>\n";
    for (int team = 0; team < 2; ++team) {
        board += "<tr id=\"team-" + std::to_string(team) +
                 "\"><th class=\"team\"><span class=\"swatch\" style=\"background:" + std::string(kTeamColours[team]) +
                 "\"></span>" + plot::EscapeMarkup(names[static_cast<std::size_t>(team)]) + "</th>";
        for (int end = 1; end <= columns; ++end) {
            auto const e = static_cast<std::size_t>(end - 1);
            std::string cell;
            if (e < state.end_scores.size()) cell = std::to_string(state.end_scores[e][static_cast<std::size_t>(team)]);
            if (e < hammer_of_end.size() && hammer_of_end[e] == team)
                cell += "<span class=\"hammer\" title=\"the hammer\">&#9679;</span>";
            board += "<td class=\"end\" data-end=\"" + std::to_string(end) + "\">" + cell + "</td>";
        }
        board += "<td id=\"total-" + std::to_string(team) + "\"><b>" +
                 std::to_string(state.totals[static_cast<std::size_t>(team)]) + "</b></td></tr>\n";
    }
    board += "</table>\n";

    std::string result;
    std::string const totals = plot::EscapeMarkup(names[0]) + " " + std::to_string(state.totals[0]) + " &ndash; " +
                               std::to_string(state.totals[1]) + " " + plot::EscapeMarkup(names[1]);
    if (!state.finished) {
        result = "Unfinished: " + totals + " after " + std::to_string(state.end_scores.size()) + " end" +
                 (state.end_scores.size() == 1 ? "" : "s");
    } else if (state.winner) {
        result = "Won by " + plot::EscapeMarkup(names[static_cast<std::size_t>(*state.winner)]) + ": " + totals;
    } else {
        result = "Drawn: " + totals;
    }

    std::string const title = plot::EscapeMarkup(names[0]) + " v " + plot::EscapeMarkup(names[1]);
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
                       "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<header>\n<h1>" + title + "</h1>\n" +
                       board + "<p id=\"result\"><span id=\"totals\">" + result +
                       "</span> <small>(&#9679; the hammer)</small></p>\n" +
                       "<div id=\"controls\"><button id=\"prev\">&larr; previous</button><button "
                       "id=\"play\">play</button><button id=\"next\">next &rarr;</button> <small>or the arrow "
                       "keys</small></div>\n</header>\n";
    page += "<div id=\"picture\" style=\"left:" + std::to_string(kViewerPictureLeft) +
            "px;top:" + std::to_string(kViewerPictureTop) + "px;width:" + std::to_string(layout.width()) +
            "px;height:" + std::to_string(layout.height) + "px\"></div>\n";
    page += "<div id=\"delivery\" style=\"left:" + std::to_string(kViewerPictureLeft + layout.width() + 16) +
            "px;top:" + std::to_string(kViewerPictureTop) +
            "px\">\n<p id=\"label\"></p>\n<ul id=\"events\"></ul>\n<p id=\"end-score\"></p>\n</div>\n";
    std::string script = kScript;
    std::string const marker = "DELIVERIES";
    script.replace(script.find(marker), marker.size(), ScriptJson(deliveries));
    page += "<script>" + script + "</script>\n</body>\n</html>\n";
    return page;
}

}  // namespace glidestone

namespace glidestone {

std::string LastDeliverySvg(std::span<const std::string> record_lines, const ViewerOptions& options) {
    ReplayGame(record_lines);
    std::size_t last = 0;
    for (std::size_t i = 1; i < record_lines.size(); ++i)
        if (json::parse(record_lines[i]).contains("action")) last = i;
    if (last == 0) return {};
    Game game = ReplayGame(record_lines.first(last));
    Action const action = ParseAction(json::parse(record_lines[last])["action"].dump());
    DeliveryOutcome outcome;
    plot::PlotOptions plot_options;
    plot::ShotPicture const picture = DeliveryPicture(game, action, options, &outcome, &plot_options);
    return plot::RenderShotSvg(picture, plot_options);
}

}  // namespace glidestone
