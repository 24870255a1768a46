// SPDX-License-Identifier: MIT
#include "app/lsp/document_state.h"

#include "app/lsp/file_uri.h"

namespace tavrin::lsp {

DocumentState::DocumentState(std::string uri, std::string text, int64_t version)
    : uri_(std::move(uri)), text_(std::move(text), version) {
  if (const std::optional<std::filesystem::path> path = PathOfFileUri(uri_)) {
    folder_ = path->parent_path();
  }
}

TextDocument& DocumentState::TextToChange() {
  outline_.reset();  // it points into the scenario's lines
  scenario_.reset();
  check_due_ = true;
  return text_;
}

const EditedScenario& DocumentState::Scenario() {
  if (scenario_ == nullptr) scenario_ = std::make_unique<EditedScenario>(text_.Text(), folder_);
  return *scenario_;
}

const ScriptOutline& DocumentState::Outline() {
  if (outline_ == nullptr) outline_ = std::make_unique<ScriptOutline>(Scenario().Lines());
  return *outline_;
}

const DocumentCheck& DocumentState::Check(CheckScreens& screens) {
  if (check_due_ || check_ == nullptr) {
    check_ = std::make_unique<DocumentCheck>(CheckDocument(Scenario(), screens));
    checked_version_ = text_.Version();
    check_due_ = false;
  }
  return *check_;
}

}  // namespace tavrin::lsp
