#include "shell/texts.h"

#include "serial/link_errors.h"
#include "shell/language.h"

namespace qg::shell {

MainTexts::MainTexts() {
  for (int n = 0; n < static_cast<int>(captions.size()); ++n)
    captions[static_cast<std::size_t>(n)] = BuiltInLine(n);
  for (int i = 0; i < static_cast<int>(hints.size()); ++i)
    hints[static_cast<std::size_t>(i)] = BuiltInLine(37 + i);
  for (int i = 0; i < kTextCount; ++i) {
    const int line = TextLine(i);
    if (line >= 0) texts[static_cast<std::size_t>(i)] = BuiltInLine(line);
  }
  // Texts 45 and 48 share lines 131 and 189 with the file graph's "Coleta " and the
  // collection dialog's caption, but have defaults of their own.
  texts[45] = "Coleta";
  texts[48] = "Coletando as aquisições";
}

int MainTexts::TextLine(int index) {
  switch (index) {
    case 45: return 131;
    case 46: return 212;
    case 47: return 213;
    case 48: return 189;
    default: break;
  }
  if ((index >= 1 && index <= 10) || (index >= 12 && index <= 30) || index == 34 ||
      (index >= 38 && index <= 44))
    return index + 56;
  return -1;
}

void MainTexts::Apply(const LanguageFile& file) {
  for (int n = 0; n < static_cast<int>(captions.size()); ++n)
    if (n != 35) file.Apply(n, captions[static_cast<std::size_t>(n)]);
  for (int i = 0; i < static_cast<int>(hints.size()); ++i)
    file.Apply(37 + i, hints[static_cast<std::size_t>(i)]);
  for (int i = 0; i < kTextCount; ++i) {
    const int line = TextLine(i);
    if (line >= 0) file.Apply(line, texts[static_cast<std::size_t>(i)]);
  }
}

void ConfigureTexts::Apply(const LanguageFile& file) {
  file.Apply(101, caption);
  file.Apply(102, portLabel, ":");
  file.Apply(103, baudLabel, ":");
  file.Apply(104, ok);
  file.Apply(105, cancel);
  file.Apply(106, advanced);
  file.Apply(90, ports[0]);
  for (int i = 1; i <= 4; ++i) file.Apply(106 + i, ports[static_cast<std::size_t>(i)]);
  for (int i = 0; i < 4; ++i) file.Apply(111 + i, headings[static_cast<std::size_t>(i)]);
  file.Apply(115, duplicateLabel);
  file.Apply(116, duplicateAddress);
}

void AdvanceTexts::Apply(const LanguageFile& file) {
  file.Apply(235, caption);
  file.Apply(236, timeoutLabel);
  file.Apply(104, ok);
  file.Apply(105, cancel);
}

void ApplySelectDeviceTexts(const LanguageFile& file, plugins::SelectDeviceTexts& texts) {
  file.Apply(193, texts.caption);
  file.Apply(194, texts.label);
  file.Apply(113, texts.panel);
  file.Apply(104, texts.ok);
  file.Apply(105, texts.cancel);
}

void AboutTexts::Apply(const LanguageFile& file) {
  file.Apply(117, caption);
  file.Apply(120, versionLabel, ":");
  file.Apply(104, ok);
}

void SplashTexts::Apply(const LanguageFile& file) { file.Apply(180, caption); }

void TitleTexts::Apply(const LanguageFile& file) {
  file.Apply(219, caption);
  file.Apply(82, prompt);
  file.Apply(104, ok);
}

void CfgTexts::Apply(const LanguageFile& file) {
  file.Apply(226, caption);
  file.Apply(228, configLabel);
  file.Apply(113, deviceLabel);
  file.Apply(230, execute);
  file.Apply(152, close);
  for (int i = 0; i < 4; ++i) file.Apply(231 + i, messages[static_cast<std::size_t>(i)]);
}

void ProgressTexts::Apply(const LanguageFile& file) { file.Apply(105, cancel); }

SharedTexts::SharedTexts() {
  for (int code = 1; code <= serial::kQuillgraphLinkErrorCount; ++code)
    linkErrors[static_cast<std::size_t>(code - 1)] = serial::QuillgraphLinkErrorText(code);
}

void SharedTexts::Apply(const LanguageFile& file) {
  for (int i = 0; i < 8; ++i) file.Apply(241 + i, linkErrors[static_cast<std::size_t>(i)]);
  file.Apply(90, none);
}

const std::string& SharedTexts::LinkError(int code) const {
  static const std::string kEmpty;
  if (code < 1 || code > 8) return kEmpty;
  return linkErrors[static_cast<std::size_t>(code - 1)];
}

}  // namespace qg::shell
