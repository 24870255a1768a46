// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/check/check_run.h"
#include "app/lsp/document_check.h"
#include "app/lsp/edited_scenario.h"
#include "app/lsp/script_outline.h"
#include "app/lsp/text_document.h"

namespace tavrin::lsp {

/// A document the editor has open, and what is known of its current version: its scenario
/// and outline, read when first asked for, and its check, run when it is due.
class DocumentState {
 public:
  DocumentState(std::string uri, std::string text, int64_t version);

  const std::string& Uri() const { return uri_; }
  /// The folder the document is in; none for one saved nowhere.
  const std::optional<std::filesystem::path>& Folder() const { return folder_; }
  const TextDocument& Text() const { return text_; }
  /// The text as the next change leaves it; the scenario and its check are read anew.
  TextDocument& TextToChange();

  const EditedScenario& Scenario();
  const ScriptOutline& Outline();

  /// Whether the current version (or what is beside it on disk) is not checked yet.
  bool CheckDue() const { return check_due_; }
  /// Files beside the document may have changed (it was saved): the check is due again.
  void Recheck() { check_due_ = true; }
  /// The check of the current version, run now if it is due.
  const DocumentCheck& Check(CheckScreens& screens);
  /// The check of the version `CheckedVersion`, if any was run.
  const DocumentCheck* LastCheck() const { return check_.get(); }
  int64_t CheckedVersion() const { return checked_version_; }

 private:
  std::string uri_;
  std::optional<std::filesystem::path> folder_;
  TextDocument text_;
  std::unique_ptr<EditedScenario> scenario_;
  std::unique_ptr<ScriptOutline> outline_;
  std::unique_ptr<DocumentCheck> check_;
  int64_t checked_version_ = 0;
  bool check_due_ = true;
};

}  // namespace tavrin::lsp
