// Writes framira-batch's man page and its bash completion from what the built
// program prints for --help and --list-presets, so neither can drift from the
// program itself.
//
// Usage: make_batch_docs FRAMIRA-BATCH VERSION MAN-PAGE COMPLETION
//
// The help text is read by its layout: "Usage: " opens it; a line of its own
// ending in ':' ("Options:", "Examples:") heads a section of indented entries;
// a paragraph opening with a short label ("Exit status: ...") is a section of
// prose; every other paragraph belongs to the description. Entries start with
// '-' (an option) or a number (an exit status) and put their explanation
// after a gap of two spaces.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

struct COption {
    std::vector<std::string> names; // "-p", "--preset"; none for a numbered entry
    std::string value;              // "P", empty for a flag
    std::string signature;          // "-p, --preset P" or "64" as printed
    Lines text;                     // the explanation, line by line
};

struct CSection {
    std::string title;      // upper case
    Lines prose;            // paragraphs, one string each
    std::vector<COption> options;
    Lines literal;          // lines shown as they are
};

struct CHelp {
    std::string synopsis;   // after "Usage: "
    Lines description;      // paragraphs
    std::vector<CSection> sections;
};

struct CPreset {
    std::string name;
    std::string size;
};

bool RunProgram(const std::string& program, const std::string& argument, std::string& output)
{
    std::string quoted = "'";
    for (char c : program)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    const std::string command = quoted + " " + argument;
    struct CPipeCloser {
        void operator()(FILE* pipe) const { pclose(pipe); }
    };
    FILE* raw = popen(command.c_str(), "r");
    if (raw == nullptr)
        return false;
    std::unique_ptr<FILE, CPipeCloser> pipe(raw);
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        output.append(buffer, count);
    return pclose(pipe.release()) == 0 && !output.empty();
}

Lines SplitLines(const std::string& text)
{
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::size_t Indent(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? line.size() : first;
}

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<Lines> Paragraphs(const Lines& lines)
{
    std::vector<Lines> paragraphs(1);
    for (const std::string& line : lines) {
        if (Trim(line).empty()) {
            if (!paragraphs.back().empty())
                paragraphs.emplace_back();
        } else {
            paragraphs.back().push_back(line);
        }
    }
    if (paragraphs.back().empty())
        paragraphs.pop_back();
    return paragraphs;
}

std::string JoinTrimmed(const Lines& lines, std::size_t from)
{
    std::string text;
    for (std::size_t i = from; i < lines.size(); ++i)
        text += (text.empty() ? "" : "\n") + Trim(lines[i]);
    return text;
}

// "Exit status: 0 every ..." -> label "Exit status"; a label is at most three
// words, so a sentence with a colon in it stays prose.
bool SplitLabel(const std::string& line, std::string& label, std::string& rest)
{
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos || line[0] == ' ' || !std::isupper(static_cast<unsigned char>(line[0])))
        return false;
    const std::string head = line.substr(0, colon);
    int words = 1;
    for (char c : head) {
        if (c == ' ')
            ++words;
        else if (!std::isalpha(static_cast<unsigned char>(c)))
            return false;
    }
    if (words > 3)
        return false;
    label = head;
    rest = line.substr(colon + 2);
    return true;
}

bool IsNumberedEntry(const std::string& text)
{
    const std::size_t digits = text.find_first_not_of("0123456789");
    return digits > 0 && digits != std::string::npos && text.compare(digits, 2, "  ") == 0;
}

// An option ("-p, --preset P  ...") or a numbered entry ("64  wrong usage")
// at the head of a block's line; deeper lines continue an explanation.
bool IsEntry(const std::string& line)
{
    const std::string text = Trim(line);
    return Indent(line) <= 6 && (text.rfind("-", 0) == 0 || IsNumberedEntry(text));
}

// Where the explanations of a block's entries start: the column most of
// them share. A long option can leave a single space before its explanation.
std::size_t ExplanationColumn(const Lines& lines, std::size_t from)
{
    std::vector<std::size_t> columns;
    for (std::size_t i = from; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t gap = line.find("  ", Indent(line));
        if (IsEntry(line) && gap != std::string::npos)
            columns.push_back(line.find_first_not_of(' ', gap));
    }
    std::size_t best = 0;
    std::size_t bestCount = 0;
    for (std::size_t column : columns) {
        const auto count = static_cast<std::size_t>(std::count(columns.begin(), columns.end(), column));
        if (count > bestCount) {
            best = column;
            bestCount = count;
        }
    }
    return best;
}

COption ParseOptionLine(const std::string& line, std::size_t column)
{
    COption option;
    const std::size_t indent = Indent(line);
    std::size_t split = line.find("  ", indent);
    if (column > indent && column < line.size() && line[column - 1] == ' ' && line[column] != ' ')
        split = column;
    option.signature = Trim(line.substr(0, split));
    if (split != std::string::npos)
        option.text.push_back(Trim(line.substr(split)));
    if (IsNumberedEntry(option.signature + "  "))
        return option;  // names nothing the completion could offer
    std::istringstream words(option.signature);
    for (std::string word; words >> word;) {
        if (!word.empty() && word.back() == ',')
            word.pop_back();
        if (word.rfind("-", 0) == 0)
            option.names.push_back(word);
        else
            option.value = word;
    }
    return option;
}

CSection ParseBlock(const std::string& title, const Lines& lines, std::size_t from)
{
    CSection section{Upper(title), {}, {}, {}};
    const std::size_t column = ExplanationColumn(lines, from);
    bool hasOptions = false;
    for (std::size_t i = from; i < lines.size(); ++i)
        hasOptions = hasOptions || IsEntry(lines[i]);
    for (std::size_t i = from; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string text = Trim(line);
        if (!hasOptions) {
            section.literal.push_back(line.substr(std::min<std::size_t>(Indent(line), 2)));
        } else if (IsEntry(line)) {
            section.options.push_back(ParseOptionLine(line, column));
        } else if (!section.options.empty()) {
            section.options.back().text.push_back(text);
        } else {
            section.prose.push_back(text);
        }
    }
    return section;
}

bool ParseHelp(const std::string& text, CHelp& help, std::string& error)
{
    const std::vector<Lines> paragraphs = Paragraphs(SplitLines(text));
    if (paragraphs.empty() || paragraphs[0][0].rfind("Usage: ", 0) != 0) {
        error = "the help text does not open with \"Usage: \"";
        return false;
    }
    help.synopsis = Trim(paragraphs[0][0].substr(7));
    CSection* open = nullptr; // a heading section collects the blocks after it
    for (std::size_t p = 0; p < paragraphs.size(); ++p) {
        const Lines& lines = paragraphs[p];
        const std::size_t first = p == 0 ? 1 : 0;
        if (first >= lines.size())
            continue;
        const std::string& head = lines[first];
        std::string label;
        std::string rest;
        if (head[0] != ' ' && head.back() == ':' && head.find(' ') == head.rfind(' ') && first == 0) {
            help.sections.push_back(ParseBlock(head.substr(0, head.size() - 1), lines, 1));
            open = &help.sections.back();
        } else if (first == 0 && SplitLabel(head, label, rest)) {
            CSection section{Upper(label), {}, {}, {}};
            Lines body = lines;
            body[0] = rest;
            section.prose.push_back(JoinTrimmed(body, 0));
            help.sections.push_back(section);
            open = nullptr;
        } else if (open != nullptr && Indent(head) > 0) {
            // An indented block after a heading's own block continues it.
            const CSection more = ParseBlock(open->title, lines, first);
            open->options.insert(open->options.end(), more.options.begin(), more.options.end());
            open->literal.insert(open->literal.end(), more.literal.begin(), more.literal.end());
        } else {
            help.description.push_back(JoinTrimmed(lines, first));
            open = nullptr;
        }
    }
    if (help.description.empty()) {
        error = "the help text has no description";
        return false;
    }
    return true;
}

std::vector<CPreset> ParsePresets(const std::string& text)
{
    std::vector<CPreset> presets;
    for (const std::string& line : SplitLines(text)) {
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;)
            tokens.push_back(word);
        if (tokens.size() < 2 || !std::isdigit(static_cast<unsigned char>(tokens[0][0])))
            continue;
        CPreset preset{tokens[1], {}};
        const std::string& last = tokens.back();
        if (tokens.size() > 2 && last.find('x') != std::string::npos &&
            std::isdigit(static_cast<unsigned char>(last[0])))
            preset.size = last;
        presets.push_back(preset);
    }
    return presets;
}

// Text for troff: backslashes and minus signs escaped, no line taken for a
// request because it starts with '.' or '\''.
std::string Roff(const std::string& text)
{
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\''))
            out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    return out;
}

// "-p, --preset P" -> bold names, italic value; "64" -> bold.
std::string RoffSignature(const std::string& signature)
{
    std::istringstream words(signature);
    std::string out;
    for (std::string word; words >> word;) {
        std::string tail;
        if (word.back() == ',') {
            word.pop_back();
            tail = ",";
        }
        out += out.empty() ? "" : " ";
        const bool bold = word[0] == '-' || std::isdigit(static_cast<unsigned char>(word[0]));
        out += (bold ? "\\fB" : "\\fI") + Roff(word) + "\\fR" + tail;
    }
    return out;
}

std::string ManPage(const CHelp& help, const std::string& version)
{
    std::string summary = help.description[0].substr(0, help.description[0].find_first_of(":;."));
    for (char& c : summary)
        c = c == '\n' ? ' ' : c;
    summary[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(summary[0])));

    const std::string name = help.synopsis.substr(0, help.synopsis.find(' '));
    std::ostringstream page;
    page << ".\\\" Generated from the output of " << name << " --help; edit the program, not this file.\n"
         << ".TH " << Roff(Upper(name)) << " 1 \"\" \"Framira " << version << "\" \"User Commands\"\n"
         << ".SH NAME\n" << Roff(name) << " \\- " << Roff(summary) << "\n"
         << ".SH SYNOPSIS\n";
    std::istringstream synopsis(help.synopsis);
    std::string line;
    for (std::string word; synopsis >> word;)
        line += (line.empty() ? "" : " ") + (word == name ? "\\fB" + Roff(word) + "\\fR" : Roff(word));
    page << line << "\n.SH DESCRIPTION\n";
    for (std::size_t i = 0; i < help.description.size(); ++i)
        page << (i ? ".PP\n" : "") << Roff(help.description[i]) << "\n";
    for (const CSection& section : help.sections) {
        page << ".SH " << Roff(section.title) << "\n";
        for (std::size_t i = 0; i < section.prose.size(); ++i)
            page << (i ? ".PP\n" : "") << Roff(section.prose[i]) << "\n";
        for (const COption& option : section.options) {
            page << ".TP\n" << RoffSignature(option.signature) << "\n";
            // A line after a colon, or a new sentence on its own line, keeps
            // its own line as in the help.
            for (std::size_t i = 0; i < option.text.size(); ++i) {
                const std::string& text = option.text[i];
                const std::string& before = i ? option.text[i - 1] : text;
                if (i && !text.empty() && !before.empty() &&
                    (before.back() == ':' ||
                     (std::isupper(static_cast<unsigned char>(text[0])) && before.back() != '.')))
                    page << ".br\n";
                page << Roff(text) << "\n";
            }
        }
        if (!section.literal.empty()) {
            page << (section.prose.empty() && section.options.empty() ? "" : ".PP\n") << ".nf\n.RS 4\n";
            for (const std::string& literal : section.literal)
                page << Roff(literal) << "\n";
            page << ".RE\n.fi\n";
        }
    }
    page << ".SH SEE ALSO\n"
         << ".BR Framira ,\n"
         << "the desktop program: the same framing in a window, with its own help pages.\n";
    return page.str();
}

std::string ShellWords(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

std::string Completion(const CHelp& help, const std::vector<CPreset>& presets)
{
    std::vector<std::string> all;
    std::vector<std::string> presetNames;
    std::vector<std::string> folderNames;
    std::vector<std::string> fileNames;
    std::vector<std::string> otherNames;
    for (const CSection& section : help.sections)
        for (const COption& option : section.options) {
            all.insert(all.end(), option.names.begin(), option.names.end());
            if (option.value.empty())
                continue;
            bool isPreset = false;
            for (const std::string& name : option.names)
                isPreset = isPreset || name == "--preset";
            std::vector<std::string>& into = isPreset ? presetNames
                                             : option.value == "DIR" ? folderNames
                                             : option.value == "FILE" ? fileNames
                                                                      : otherNames;
            into.insert(into.end(), option.names.begin(), option.names.end());
        }
    std::vector<std::string> values;
    for (const CPreset& preset : presets)
        for (const std::string& value : {preset.name, preset.size})
            if (!value.empty() && std::find(values.begin(), values.end(), value) == values.end())
                values.push_back(value);

    auto pattern = [](const std::vector<std::string>& names) {
        std::string text;
        for (const std::string& name : names)
            text += (text.empty() ? "" : "|") + name;
        return text;
    };
    std::ostringstream script;
    script << "# bash completion for framira-batch\n"
           << "# Generated from the output of framira-batch --help and --list-presets.\n"
           << "_framira_batch()\n{\n"
           << "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           << "    # --preset=SXGA arrives as three words: --preset, = and SXGA.\n"
           << "    if [[ $cur == = ]]; then\n"
           << "        prev=${COMP_WORDS[COMP_CWORD-1]} cur=\n"
           << "    elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then\n"
           << "        prev=${COMP_WORDS[COMP_CWORD-2]}\n"
           << "    fi\n"
           << "    COMPREPLY=()\n"
           << "    case $prev in\n";
    if (!presetNames.empty())
        script << "        " << pattern(presetNames) << ")\n"
               << "            COMPREPLY=($(compgen -W '" << ShellWords(values) << "' -- \"$cur\"))\n"
               << "            return ;;\n";
    if (!folderNames.empty())
        script << "        " << pattern(folderNames) << ")\n"
               << "            compopt -o filenames 2>/dev/null\n"
               << "            COMPREPLY=($(compgen -d -- \"$cur\"))\n"
               << "            return ;;\n";
    if (!fileNames.empty())
        script << "        " << pattern(fileNames) << ")\n"
               << "            compopt -o filenames 2>/dev/null\n"
               << "            COMPREPLY=($(compgen -f -- \"$cur\"))\n"
               << "            return ;;\n";
    if (!otherNames.empty())
        script << "        " << pattern(otherNames) << ")\n"
               << "            return ;;\n";
    script << "    esac\n"
           << "    if [[ $cur == -* ]]; then\n"
           << "        COMPREPLY=($(compgen -W '" << ShellWords(all) << "' -- \"$cur\"))\n"
           << "        return\n"
           << "    fi\n"
           << "    compopt -o filenames 2>/dev/null\n"
           << "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
           << "}\n"
           << "complete -F _framira_batch framira-batch\n";
    return script.str();
}

bool WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: make_batch_docs FRAMIRA-BATCH VERSION MAN-PAGE COMPLETION\n";
        return 64;
    }
    const std::string program = argv[1];
    std::string helpText;
    std::string presetText;
    if (!RunProgram(program, "--help", helpText) || !RunProgram(program, "--list-presets", presetText)) {
        std::cerr << "make_batch_docs: could not run " << program << "\n";
        return 1;
    }
    CHelp help;
    std::string error;
    if (!ParseHelp(helpText, help, error)) {
        std::cerr << "make_batch_docs: " << error << "\n";
        return 1;
    }
    const std::vector<CPreset> presets = ParsePresets(presetText);
    if (presets.empty()) {
        std::cerr << "make_batch_docs: no presets in the output of --list-presets\n";
        return 1;
    }
    if (!WriteFile(argv[3], ManPage(help, argv[2])) || !WriteFile(argv[4], Completion(help, presets))) {
        std::cerr << "make_batch_docs: could not write " << argv[3] << " or " << argv[4] << "\n";
        return 1;
    }
    return 0;
}
