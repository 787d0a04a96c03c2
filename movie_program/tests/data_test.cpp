// What the programs ship beside their code: help pages, desktop entries and
// icons. A page that breaks off, a link to a page that is not there, a help
// context without its page or a menu entry that starts another program only
// shows on a user's desktop, so they are checked here as shipped.
#include "resource.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// One tag of a page: its name in lower case, whether it closes, and the
// attributes the checks need.
struct Tag {
    std::string name;
    bool closing = false;
    std::map<std::string, std::string> attributes;
};

std::map<std::string, std::string> ScanAttributes(const std::string& inside)
{
    std::map<std::string, std::string> attributes;
    size_t i = 0;
    while (i < inside.size()) {
        while (i < inside.size() && (std::isspace(static_cast<unsigned char>(inside[i])) || inside[i] == '/'))
            ++i;
        const size_t nameStart = i;
        while (i < inside.size() && inside[i] != '=' && !std::isspace(static_cast<unsigned char>(inside[i])))
            ++i;
        std::string name = Lower(inside.substr(nameStart, i - nameStart));
        std::string value;
        if (i < inside.size() && inside[i] == '=' && i + 1 < inside.size()) {
            const char quote = inside[i + 1];
            const size_t valueStart = i + 2;
            const size_t end = (quote == '"' || quote == '\'') ? inside.find(quote, valueStart) : std::string::npos;
            value = inside.substr(valueStart, end == std::string::npos ? std::string::npos : end - valueStart);
            i = end == std::string::npos ? inside.size() : end + 1;
        }
        if (!name.empty())
            attributes[name] = value;
    }
    return attributes;
}

// The page's tags in order; comments and the document type are skipped. An
// unclosed '<' is reported in `error`.
std::vector<Tag> ScanTags(const std::string& html, std::string& error)
{
    std::vector<Tag> tags;
    size_t at = 0;
    while ((at = html.find('<', at)) != std::string::npos) {
        if (html.compare(at, 4, "<!--") == 0) {
            const size_t end = html.find("-->", at);
            if (end == std::string::npos) {
                error = "a comment is not closed";
                return tags;
            }
            at = end + 3;
            continue;
        }
        const size_t end = html.find('>', at);
        if (end == std::string::npos) {
            error = "a tag is not closed";
            return tags;
        }
        std::string inside = html.substr(at + 1, end - at - 1);
        at = end + 1;
        if (inside.empty() || inside[0] == '!')
            continue;
        Tag tag;
        tag.closing = inside[0] == '/';
        const size_t nameStart = tag.closing ? 1 : 0;
        size_t nameEnd = nameStart;
        while (nameEnd < inside.size() && std::isalnum(static_cast<unsigned char>(inside[nameEnd])))
            ++nameEnd;
        tag.name = Lower(inside.substr(nameStart, nameEnd - nameStart));
        tag.attributes = ScanAttributes(inside.substr(nameEnd));
        tags.push_back(std::move(tag));
    }
    return tags;
}

bool IsVoid(const std::string& name)
{
    static const std::set<std::string> kVoid = {"meta", "link", "br", "img", "hr", "input", "wbr"};
    return kVoid.count(name) != 0;
}

// Every element closed in order, all inside one <html>, nothing after it.
std::string StructureError(const std::string& html)
{
    if (html.rfind("<!DOCTYPE html>", 0) != 0)
        return "does not begin with <!DOCTYPE html>";
    std::string error;
    const std::vector<Tag> tags = ScanTags(html, error);
    if (!error.empty())
        return error;
    std::vector<std::string> open;
    bool htmlClosed = false;
    for (const Tag& tag : tags) {
        if (htmlClosed)
            return "more follows </html>";
        if (IsVoid(tag.name))
            continue;
        if (!tag.closing) {
            if (open.empty() && tag.name != "html")
                return "<" + tag.name + "> lies outside <html>";
            open.push_back(tag.name);
            continue;
        }
        if (open.empty() || open.back() != tag.name)
            return "</" + tag.name + "> closes <" + (open.empty() ? std::string("nothing") : open.back()) + ">";
        open.pop_back();
        htmlClosed = open.empty();
    }
    if (!htmlClosed)
        return open.empty() ? "has no <html>" : "<" + open.back() + "> is never closed";
    const size_t last = html.rfind('>');
    if (html.find_first_not_of(" \t\r\n", last + 1) != std::string::npos)
        return "has text after </html>";
    return {};
}

std::string Title(const std::string& html)
{
    const size_t start = Lower(html).find("<title>");
    const size_t end = Lower(html).find("</title>");
    if (start == std::string::npos || end == std::string::npos || end < start)
        return {};
    return html.substr(start + 7, end - start - 7);
}

// Where a page leads: its links, stylesheets and an automatic forward
// ("0; url=page").
std::vector<std::string> Targets(const std::string& html)
{
    std::string error;
    std::vector<std::string> targets;
    for (const Tag& tag : ScanTags(html, error)) {
        for (const char* attribute : {"href", "src"})
            if (auto it = tag.attributes.find(attribute); it != tag.attributes.end())
                targets.push_back(it->second);
        if (auto it = tag.attributes.find("content"); tag.name == "meta" && it != tag.attributes.end())
            if (const size_t url = Lower(it->second).find("url="); url != std::string::npos)
                targets.push_back(it->second.substr(url + 4));
    }
    return targets;
}

bool Forwards(const std::string& html) { return Lower(html).find("http-equiv=\"refresh\"") != std::string::npos; }

std::set<std::string> Ids(const std::string& html)
{
    std::string error;
    std::set<std::string> ids;
    for (const Tag& tag : ScanTags(html, error))
        if (auto it = tag.attributes.find("id"); it != tag.attributes.end())
            ids.insert(it->second);
    return ids;
}

bool IsOutside(const std::string& target)
{
    return target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0 || target.rfind("mailto:", 0) == 0;
}

std::vector<fs::path> Pages(const fs::path& folder)
{
    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".html")
            pages.push_back(entry.path());
    std::sort(pages.begin(), pages.end());
    return pages;
}

// A desktop entry's keys of its [Desktop Entry] group; a repeated key or a
// line that is no key is reported in `error`.
std::map<std::string, std::string> DesktopKeys(const std::string& text, std::string& error)
{
    std::map<std::string, std::string> keys;
    std::istringstream lines(text);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (first && line != "[Desktop Entry]") {
            error = "the first group is not [Desktop Entry]";
            return keys;
        }
        if (first) {
            first = false;
            continue;
        }
        if (line[0] == '[')
            break;
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = "'" + line + "' is no key";
            return keys;
        }
        if (!keys.emplace(line.substr(0, equals), line.substr(equals + 1)).second) {
            error = "key " + line.substr(0, equals) + " appears twice";
            return keys;
        }
    }
    return keys;
}

struct Shipped {
    const char* program;
    const char* help;
    const char* desktop;
};

const Shipped kShipped[] = {
    {"reelix32", REELIX_HELP_SOURCE, REELIX_DESKTOP_DIR},
    {"snapvo32", SNAPVO_HELP_SOURCE, SNAPVO_DESKTOP_DIR},
};

void PrintTo(const Shipped& shipped, std::ostream* out) { *out << shipped.program; }

class ShippedData : public ::testing::TestWithParam<Shipped> {};

TEST_P(ShippedData, HelpPagesAreWholeDocumentsWithTitles)
{
    for (const fs::path& page : Pages(GetParam().help)) {
        const std::string html = ReadText(page);
        EXPECT_EQ(StructureError(html), "") << page;
        EXPECT_NE(Title(html), "") << page << " has no title";
    }
}

TEST_P(ShippedData, EveryLinkLeadsToAPageAndItsPlace)
{
    const fs::path folder = GetParam().help;
    for (const fs::path& page : Pages(folder)) {
        for (const std::string& target : Targets(ReadText(page))) {
            if (IsOutside(target))
                continue;
            const size_t hash = target.find('#');
            const std::string file = target.substr(0, hash);
            // Pages are installed as one flat folder: a link may not leave it.
            EXPECT_EQ(file.find('/'), std::string::npos) << page << " links out of the help folder: " << target;
            const fs::path linked = file.empty() ? page : folder / file;
            ASSERT_TRUE(fs::is_regular_file(linked)) << page << " links to missing " << target;
            if (hash != std::string::npos) {
                EXPECT_EQ(Ids(ReadText(linked)).count(target.substr(hash + 1)), 1u)
                    << page << " links to a place that is not on " << linked.filename() << ": " << target;
            }
        }
    }
}

TEST_P(ShippedData, EveryPageIsReachedFromTheContentsAndLeadsBack)
{
    const fs::path folder = GetParam().help;
    // The ways in: the contents, and the numbered pages dialogs open by context.
    std::set<std::string> reached = {"index.html"};
    for (const fs::path& page : Pages(folder)) {
        const std::string stem = page.stem().string();
        if (std::all_of(stem.begin(), stem.end(), [](unsigned char c) { return std::isdigit(c); }))
            reached.insert(page.filename().string());
    }
    std::vector<std::string> queue(reached.begin(), reached.end());
    while (!queue.empty()) {
        const fs::path page = folder / queue.back();
        queue.pop_back();
        for (const std::string& target : Targets(ReadText(page))) {
            const std::string file = target.substr(0, target.find('#'));
            if (fs::path(file).extension() == ".html" && !IsOutside(target) && reached.insert(file).second)
                queue.push_back(file);
        }
    }
    for (const fs::path& page : Pages(folder)) {
        const std::string name = page.filename().string();
        EXPECT_EQ(reached.count(name), 1u) << name << " cannot be reached from the contents or a dialog";
        const std::string html = ReadText(page);
        if (name == "index.html" || Forwards(html))
            continue;
        const auto targets = Targets(html);
        EXPECT_NE(std::find(targets.begin(), targets.end(), "index.html"), targets.end())
            << name << " has no way back to the contents";
    }
}

TEST_P(ShippedData, DesktopEntryStartsTheProgramWithItsIcon)
{
    const std::string program = GetParam().program;
    const fs::path folder = GetParam().desktop;
    std::string error;
    auto keys = DesktopKeys(ReadText(folder / (program + ".desktop")), error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_NE(keys["Name"], "");
    EXPECT_NE(keys["Comment"], "");
    // The menu entry runs the installed program by name, found on the path.
    const std::string exec = keys["Exec"];
    EXPECT_EQ(exec.substr(0, exec.find(' ')), program);
    EXPECT_EQ(keys["Icon"], program) << "the icon is installed under the program's name";
    EXPECT_TRUE(fs::is_regular_file(folder / (program + ".svg")));
    // Lists end in ';' and name at least one category.
    for (const char* list : {"Categories", "Keywords"}) {
        EXPECT_GT(keys[list].size(), 1u) << list;
        EXPECT_EQ(keys[list].back(), ';') << list;
    }
    EXPECT_EQ(keys["Terminal"], "false");
}

TEST_P(ShippedData, IconIsAWellFormedSquarePicture)
{
    const fs::path icon = fs::path(GetParam().desktop) / (std::string(GetParam().program) + ".svg");
    const std::string text = ReadText(icon);
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    ASSERT_TRUE(xml.readNextStartElement()) << xml.errorString().toStdString();
    EXPECT_EQ(xml.name().toString().toStdString(), "svg");
    EXPECT_EQ(xml.namespaceUri().toString().toStdString(), "http://www.w3.org/2000/svg");
    const auto attributes = xml.attributes();
    EXPECT_EQ(attributes.value("width"), attributes.value("height"));
    std::istringstream box(attributes.value("viewBox").toString().toStdString());
    double x = -1, y = -1, w = 0, h = -1;
    box >> x >> y >> w >> h;
    EXPECT_TRUE(x == 0 && y == 0 && w > 0 && w == h) << "viewBox must be a square from the origin";
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line " << xml.lineNumber();
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ShippedData, ::testing::ValuesIn(kShipped),
                         [](const auto& info) { return std::string(info.param.program); });

// The help service opens index.html for a help file's contents and
// <context>.html for a context; the movie program asks for both.
TEST(MovieHelp, EveryHelpTheProgramOpensHasItsPage)
{
    EXPECT_EQ(fs::path(kHelpFile).extension(), ".hlp");
    const struct {
        const char* what;
        std::string page;
    } kOpened[] = {
        {"Help > Contents", "index.html"},
        {"the Other Frame Rate dialog's Help", std::to_string(kOtherRateHelpContext) + ".html"},
    };
    for (const auto& opened : kOpened) {
        const fs::path page = fs::path(REELIX_HELP_SOURCE) / opened.page;
        ASSERT_TRUE(fs::is_regular_file(page)) << opened.what << " opens " << opened.page;
        EXPECT_FALSE(Forwards(ReadText(page))) << opened.what << " should land on its own text";
    }
}

TEST(MovieHelp, PagesLieBesideTheProgramInTheBuildTree)
{
    const fs::path source = REELIX_HELP_SOURCE, built = REELIX_HELP_BUILT;
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(source)) {
        ++files;
        const fs::path copy = built / entry.path().filename();
        ASSERT_TRUE(fs::is_regular_file(copy)) << copy << " is missing";
        EXPECT_EQ(ReadText(copy), ReadText(entry.path())) << copy << " differs from its source";
    }
    EXPECT_GE(files, 3u) << "index, the other-rate page and the style sheet at least";
}

// The checks themselves: each fault they look for is found.
TEST(HelpChecks, FindTheFaultsTheyLookFor)
{
    const std::string good = "<!DOCTYPE html>\n<html><head><title>T</title></head><body><p>x</p></body></html>\n";
    EXPECT_EQ(StructureError(good), "");
    const struct {
        const char* fault;
        std::string html;
    } kBroken[] = {
        {"no document type", "<html><body></body></html>"},
        {"unclosed element", "<!DOCTYPE html><html><body><p>x</body></html>"},
        {"crossed elements", "<!DOCTYPE html><html><body><b><i>x</b></i></body></html>"},
        {"text after the end", good + "cat > x.html\n"},
        {"a second page after the end", good + "<!DOCTYPE html>\n<html></html>"},
        {"a broken tag", "<!DOCTYPE html><html><body><a href=\"x\"</body></html"},
    };
    for (const auto& broken : kBroken)
        EXPECT_NE(StructureError(broken.html), "") << broken.fault;

    const auto targets = Targets("<a href=\"a.html#x\">a</a><link href='s.css'>"
                                 "<meta http-equiv=\"refresh\" content=\"0; url=b.html\">");
    EXPECT_EQ(targets, (std::vector<std::string>{"a.html#x", "s.css", "b.html"}));
    EXPECT_EQ(Ids("<h2 id=\"one\">1</h2><p id='two'>2</p>"), (std::set<std::string>{"one", "two"}));

    std::string error;
    DesktopKeys("[Desktop Entry]\nName=a\nName=b\n", error);
    EXPECT_NE(error, "") << "a repeated key";
    error.clear();
    DesktopKeys("[Other]\nName=a\n", error);
    EXPECT_NE(error, "") << "another group first";
}

}  // namespace
