// SPDX-License-Identifier: MIT
#include "app/text_out/open_text_outs.h"

#include <ostream>

#include "app/text_out/clipboard_text_out.h"
#include "app/text_out/stdout_text_out.h"
#include "app/text_out/websocket_text_out.h"

namespace tavrin {

std::vector<std::unique_ptr<TextOut>> OpenTextOuts(const std::vector<TextOutOption>& options,
                                                   std::ostream& errors) {
  std::vector<std::unique_ptr<TextOut>> outs;
  for (const TextOutOption& option : options) {
    switch (option.kind) {
      case TextOutOption::Kind::WebSocket: {
        QString error;
        if (auto server = WebSocketTextOut::Listen(option.port, error)) {
          outs.push_back(std::move(server));
        } else {
          errors << "tavrin: " << error.toStdString() << '\n' << std::flush;
        }
        break;
      }
      case TextOutOption::Kind::Clipboard:
        outs.push_back(std::make_unique<ClipboardTextOut>());
        break;
      case TextOutOption::Kind::StandardOutput:
        outs.push_back(std::make_unique<StdoutTextOut>());
        break;
    }
  }
  return outs;
}

}  // namespace tavrin
