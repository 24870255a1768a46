// SPDX-License-Identifier: MIT
#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "audio/command_channel.h"

namespace tavrin::testing {

/// A command channel that records every command and answers the mode query from a script,
/// optionally passing everything on to a real channel behind it.
class RecordingChannel : public CommandChannel {
 public:
  struct Call {
    std::string command;
    bool has_reply = false;
    std::size_t reply_size = 0;
    std::string reply_on_entry;  // the offered part of the reply buffer as it came in
  };

  RecordingChannel() = default;
  explicit RecordingChannel(CommandChannel& inner) : inner_(&inner) {}

  /// What the mode query writes, NUL added; nullopt makes it fail and leave the buffer.
  std::optional<std::string> mode_reply = "playing";
  /// What "status MIDI length" and "status MIDI position" answer: a text (NUL added) or a
  /// failure. Unknown commands until a test says otherwise.
  std::variant<std::string, ChannelError> length_reply = ChannelError::UnknownCommand;
  std::variant<std::string, ChannelError> position_reply = ChannelError::UnknownCommand;
  /// What every command returns when there is no real channel behind.
  ChannelError result = ChannelError::None;

  std::vector<Call> calls;

  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const Call& call : calls) commands.push_back(call.command);
    return commands;
  }

  void Clear() { calls.clear(); }

  ChannelError Send(std::string_view command, char* reply, std::size_t reply_size) override {
    Call call;
    call.command = std::string(command);
    call.has_reply = reply != nullptr;
    call.reply_size = reply_size;
    if (reply != nullptr) call.reply_on_entry.assign(reply, reply_size);
    calls.push_back(std::move(call));
    if (inner_ != nullptr) return inner_->Send(command, reply, reply_size);
    if (result == ChannelError::None &&
        (command == "status MIDI length" || command == "status MIDI position")) {
      const auto& answer = command == "status MIDI length" ? length_reply : position_reply;
      if (const auto* error = std::get_if<ChannelError>(&answer)) return *error;
      const std::string& text = std::get<std::string>(answer);
      if (reply == nullptr || text.size() + 1 > reply_size) return ChannelError::ReplyTooSmall;
      std::memcpy(reply, text.c_str(), text.size() + 1);
      return ChannelError::None;
    }
    if (command == "status MIDI mode" && result == ChannelError::None) {
      if (!mode_reply.has_value()) return ChannelError::NoDevice;
      if (reply == nullptr || mode_reply->size() + 1 > reply_size)
        return ChannelError::ReplyTooSmall;
      std::memcpy(reply, mode_reply->c_str(), mode_reply->size() + 1);
    }
    return result;
  }

 private:
  CommandChannel* inner_ = nullptr;
};

}  // namespace tavrin::testing
