// SPDX-License-Identifier: MIT
// The engine as the page sees it: a game folder in the page's memory, played by the same
// Player the window and scripted play drive, through the same handlers.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/headless_event.h"
#include "audio/midi_file.h"
#include "game_files/cp932.h"
#include "game_files/game_name.h"
#include "game_files/text_bytes.h"
#include "scenario/player.h"
#include "scenario/player_event.h"
#include "web/engine/web_presentation.h"

namespace tavrin {
namespace {

using emscripten::val;

std::string BytesOf(const val& array) {
  const std::vector<uint8_t> bytes = emscripten::convertJSArrayToNumberVector<uint8_t>(array);
  return std::string(bytes.begin(), bytes.end());
}

class WebGame {
 public:
  /// The game in the folder `folder` of the page's memory, shown through `view`.
  WebGame(const std::string& folder, val view)
      : game_(GameFolder::OnDisk(folder)),
        presentation_(std::move(view), game_),
        player_(presentation_, game_) {}

  // The window's events, as the window hands them over.
  void Activate() { player_.Form_Activate(); }
  void Unload() { player_.Form_Unload(); }
  void MouseDown(int button) { player_.Lbl_MouseDown(static_cast<MouseButton>(button)); }
  void Click() { player_.Lbl_Click(); }
  void Tick() { player_.TimSay_Timer(); }
  void Choose(int index) {
    if (index == 0 || index == 1) player_.Com_Click(index);
  }

  /// One line of a scripted-play event script, delivered as scripted play delivers it;
  /// the event's name for its state line, or null when the line is not an event.
  val Play(const std::string& line) {
    const std::optional<HeadlessEvent> event = ParseHeadlessEvent(line);
    if (!event) return val::null();
    DeliverEvent(player_, event->event);
    return val(event->name);
  }

  /// Everything the engine holds that the page reads back.
  val State() const {
    val state = val::object();
    state.set("messageText", player_.MessageText());
    state.set("messageVisible", player_.MessageVisible());
    val choices = val::array();
    for (int i = 0; i < 2; ++i) {
      val choice = val::object();
      choice.set("caption", player_.Choice(i).caption);
      choice.set("visible", player_.Choice(i).visible);
      choices.call<void>("push", choice);
    }
    state.set("choices", choices);
    state.set("timerEnabled", player_.TimSay().enabled);
    state.set("timerInterval", player_.TimSay().interval_ms);
    state.set("score", static_cast<int>(player_.Score()));
    state.set("pauseAtPageEnd", player_.PauseAtPageEnd());
    state.set("prompt", player_.Prompt());
    state.set("scriptOpen", player_.ScriptOpen());
    state.set("tickWouldIdle", player_.TickWouldIdle());
    state.set("takesInput", player_.MessageWindowTakesInput());
    return state;
  }

  /// The game's bgm.mid as the synthesizer is given it: read by the same reader as the
  /// installed Tavrin's, which refuses what cannot play and rewrites the rest plainly;
  /// null when the game has no music that plays.
  val Music() {
    const MidiPiece piece = LoadMidiFile(game_->Find("bgm.mid"));
    if (piece.error != MidiFileError::None || piece.length_ticks <= 0) return val::null();
    return val(emscripten::typed_memory_view(piece.bytes.size(), piece.bytes.data()))
        .call<val>("slice");
  }

 private:
  std::shared_ptr<GameFolder> game_;
  WebPresentation presentation_;
  Player player_;
};

/// Code page 932 bytes as text, as the game's lines are decoded.
std::string DecodeCp932Bytes(const val& bytes) { return DecodeCp932(BytesOf(bytes)); }

/// Whether bytes are well-formed UTF-8, as archive names are told from code page 932 ones.
bool IsUtf8Bytes(const val& bytes) { return IsValidUtf8(BytesOf(bytes)); }

/// An archive member's name as a reader reads it, or null for one never used.
val MemberName(const std::string& name) {
  const std::optional<std::string> readable = ArchiveMemberName(name);
  return readable ? val(*readable) : val::null();
}

}  // namespace
}  // namespace tavrin

EMSCRIPTEN_BINDINGS(tavrin) {
  using tavrin::WebGame;
  emscripten::class_<WebGame>("WebGame")
      .constructor<const std::string&, emscripten::val>()
      .function("activate", &WebGame::Activate)
      .function("unload", &WebGame::Unload)
      .function("mouseDown", &WebGame::MouseDown)
      .function("click", &WebGame::Click)
      .function("tick", &WebGame::Tick)
      .function("choose", &WebGame::Choose)
      .function("play", &WebGame::Play)
      .function("state", &WebGame::State)
      .function("music", &WebGame::Music);
  emscripten::function("decodeCp932", &tavrin::DecodeCp932Bytes);
  emscripten::function("isUtf8", &tavrin::IsUtf8Bytes);
  emscripten::function("archiveMemberName", &tavrin::MemberName);
}
