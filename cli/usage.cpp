#include "cli/usage.h"

#include <algorithm>
#include <vector>

#include "cli/usage_places.h"

namespace zelvora {
namespace {

constexpr std::string_view kProgram = "zelvora-stamp";
constexpr std::string_view kSummary = "write last-updated dates into local HTML pages";

constexpr std::string_view kSynopsis[] = {
    "zelvora-stamp [--set NAME=VALUE]... [--dry-run | --check] [--] FILE",
    "zelvora-stamp [--set NAME=VALUE]... --show-settings",
    "zelvora-stamp [--set NAME=VALUE]... --save-settings [--show-settings]",
};

constexpr std::string_view kDescription[] = {
    "Stamps FILE, an HTML page, and the local pages it links to: each date area marked with "
    "<!--#ZELV#--> receives the last-write date of its page, or of the files that its mark "
    "names. A page is written back only when one of its dates changed; only its date areas "
    "change. The settings are read from the settings store, as the Zelvora window reads them.",
    "Log entries go to standard error as they are made. On a terminal a progress line shows "
    "two figures, as the progress window does: how far the scan of FILE has come, the pages "
    "reached through its links so far included, and how far the scan of the current page has "
    "come. The summary goes to standard output.",
    "When the error policy (ErrCope=2, the default) leaves a question to you, it is put only "
    "when standard input and standard error are both terminals. Otherwise the question is "
    "answered Cancel or Abort, so that the run stops, and the report says so; use --set "
    "ErrCope=1 to pass problems over, or ErrCope=0 to stop at the first.",
    "For a site kept in git, --set UseGitDates=1 dates each file that differs from HEAD at "
    "most in its date areas by the newest commit in HEAD's history that changed more than its "
    "date areas, instead of by its last-write time, which a clone or checkout sets to the "
    "moment of the checkout: committing the stamps never dates a page. In a shallow clone the "
    "files last changed beyond the visible history keep their last-write times, and a "
    "warning says so. SiteRoot=FOLDER makes links and date sources that begin with \"/\" "
    "start in FOLDER, and no \"..\" leads above it; FollowAnyAnchor=1 follows every "
    "<a ... href> and <frame|iframe ... src> tag.",
};

constexpr OptionHelp kOptions[] = {
    {"--set", "NAME=VALUE",
     "use VALUE for the setting NAME: 0 or 1 for a switch, a decimal number, a text as it "
     "is; AvoidList=a,b,c sets the whole avoid list and AvoidList= empties it. Values out of "
     "range are pulled into range. The value holds for this command only, unless "
     "--save-settings saves it."},
    {"--dry-run", "",
     "scan as a run would, print on standard output each file that would be written, and "
     "write nothing: no page, backup, time stamp or log."},
    {"--check", "",
     "scan as --dry-run does, listing each page that would be written, and exit with status "
     "3 when there is any, so that a site's automatic checks can fail when a page was not "
     "stamped."},
    {"--show-settings", "",
     "print a line naming the settings store, then the settings in effect, one NAME=VALUE "
     "line each (the avoid list as AvoidList0=..., AvoidList1=...), and exit."},
    {"--save-settings", "",
     "save the settings in effect into the settings store, as closing the Zelvora window "
     "does, and exit. The window's own values there (its position, the file names) are left "
     "as they are; those missing are added."},
    {"-h, --help", "", "print this help and exit."},
    {"--version", "", "print the version and exit."},
    {"--", "", "end the options, so that a FILE whose name begins with \"-\" can follow."},
};

constexpr HelpEntry kExitStatuses[] = {
    {"0",
     "the run finished (errors passed over by the policy included), or the settings were "
     "shown or saved."},
    {"1", "the run was aborted, or the settings could not be saved."},
    {"2",
     "usage error: an unknown option or setting, a bad value, no FILE, or a folder given "
     "as FILE."},
    {"3", "with --check: the run finished and would write at least one page."},
};

constexpr size_t kWidth = 79;
constexpr size_t kTermColumn = 22;  // where the texts of options and entries begin

// `text` wrapped to kWidth columns; the first line continues a line already `first_column`
// wide, the others begin with `indent` blanks.
std::string Wrap(std::string_view text, size_t first_column, size_t indent) {
  std::string out;
  size_t column = first_column;
  bool line_empty = true;
  while (!text.empty()) {
    const size_t blank = std::min(text.find(' '), text.size());
    const std::string_view word = text.substr(0, blank);
    text.remove_prefix(std::min(blank + 1, text.size()));
    if (!line_empty && column + 1 + word.size() > kWidth) {
      out += '\n';
      out.append(indent, ' ');
      column = indent;
      line_empty = true;
    }
    if (!line_empty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    line_empty = false;
  }
  return out + '\n';
}

// A term and its text, the text in the column kTermColumn (or on the next line when the term
// is wider).
std::string TermAndText(std::string_view term, std::string_view text) {
  std::string out = "  " + std::string(term);
  if (out.size() + 1 > kTermColumn) {
    out += '\n';
    out.append(kTermColumn, ' ');
  } else {
    out.append(kTermColumn - out.size(), ' ');
  }
  return out + Wrap(text, kTermColumn, kTermColumn);
}

std::string OptionTerm(const OptionHelp& option) {
  std::string term(option.names);
  if (!option.argument.empty()) term += " " + std::string(option.argument);
  return term;
}

// Text for the manual page: backslashes and hyphens escaped, and a line that would begin
// with a control character guarded.
std::string Roff(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (out.starts_with('.') || out.starts_with('\'')) out.insert(0, "\\&");
  return out;
}

// The option's names in bold and its argument in italics.
std::string RoffOptionTerm(const OptionHelp& option) {
  std::string out;
  std::string_view names = option.names;
  while (!names.empty()) {
    const size_t comma = std::min(names.find(", "), names.size());
    if (!out.empty()) out += ", ";
    out += "\\fB" + Roff(names.substr(0, comma)) + "\\fR";
    names.remove_prefix(std::min(comma + 2, names.size()));
  }
  if (!option.argument.empty()) out += " \\fI" + Roff(option.argument) + "\\fR";
  return out;
}

std::string RoffTaggedParagraph(std::string_view term_markup, std::string_view text) {
  return ".TP\n" + std::string(term_markup) + "\n" + Roff(text) + "\n";
}

}  // namespace

std::span<const OptionHelp> StampOptions() { return kOptions; }

std::span<const std::string_view> StampSynopsis() { return kSynopsis; }

std::string StampHelpText(const StampPaths& paths) {
  std::string out;
  for (size_t i = 0; i < std::size(kSynopsis); ++i) {
    out += (i == 0 ? "usage: " : "       ") + std::string(kSynopsis[i]) + "\n";
  }
  for (const std::string_view paragraph : kDescription) out += "\n" + Wrap(paragraph, 0, 0);
  out += "\nOptions:\n";
  for (const OptionHelp& option : kOptions) out += TermAndText(OptionTerm(option), option.text);
  out += "\nExit status:\n";
  for (const HelpEntry& status : kExitStatuses) out += TermAndText(status.term, status.text);
  out += "\nEnvironment:\n";
  for (const HelpEntry& variable : EnvironmentHelp())
    out += TermAndText(variable.term, variable.text);
  out += "\nFiles:\n";
  const std::string where[] = {
      paths.settings_store.empty() ? "(no home folder is known)" : paths.settings_store,
      paths.log_file,
  };
  const std::span<const HelpFile> files = FileHelp();
  for (size_t i = 0; i < files.size() && i < std::size(where); ++i) {
    out += TermAndText(files[i].label, where[i]);
    out.append(kTermColumn, ' ');
    out += Wrap(files[i].text, kTermColumn, kTermColumn);
  }
  return out;
}

std::string StampUsageReminder() {
  std::string out;
  for (size_t i = 0; i < std::size(kSynopsis); ++i) {
    out += (i == 0 ? "usage: " : "       ") + std::string(kSynopsis[i]) + "\n";
  }
  return out + "Run \"zelvora-stamp --help\" for more.\n";
}

std::string StampManPage(std::string_view version) {
  std::string out = ".TH ZELVORA\\-STAMP 1 \"\" \"Zelvora " + Roff(version) +
                    "\" \"User Commands\"\n.SH NAME\n" + Roff(kProgram) + " \\- " + Roff(kSummary) +
                    "\n.SH SYNOPSIS\n.nf\n";
  for (const std::string_view line : kSynopsis) {
    out += "\\fB" + Roff(kProgram) + "\\fR" + Roff(line.substr(kProgram.size())) + "\n";
  }
  out += ".fi\n.SH DESCRIPTION\n";
  for (size_t i = 0; i < std::size(kDescription); ++i) {
    if (i > 0) out += ".PP\n";
    out += Roff(kDescription[i]) + "\n";
  }
  out += ".SH OPTIONS\n";
  for (const OptionHelp& option : kOptions) {
    out += RoffTaggedParagraph(RoffOptionTerm(option), option.text);
  }
  out += ".SH EXIT STATUS\n";
  for (const HelpEntry& status : kExitStatuses)
    out += RoffTaggedParagraph(status.term, status.text);
  out += ".SH ENVIRONMENT\n";
  for (const HelpEntry& variable : EnvironmentHelp()) {
    out += RoffTaggedParagraph("\\fB" + Roff(variable.term) + "\\fR", variable.text);
  }
  out += ".SH FILES\n";
  for (const HelpFile& file : FileHelp()) {
    out += RoffTaggedParagraph("\\fI" + Roff(file.rule) + "\\fR", file.text);
  }
  return out;
}

}  // namespace zelvora
