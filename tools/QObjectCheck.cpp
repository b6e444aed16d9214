// Fails the build when a class of ours that derives from a Qt object class lacks
// Q_OBJECT. Without the macro, findChild, findChildren and qobject_cast match the
// class by its nearest Qt base: a lookup for one of our views returns any view of that
// base (a folder tree was once taken for a report list, and freeing it crashed the
// window). Qt checks qobject_cast at compile time, but not the child lookups.
//
// Usage: orvanel-qobject-check STAMP FOLDER...  (writes STAMP when every .h and .cpp file
// below the folders passes)

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

// Qt base classes that are not QObjects: a class of ours may derive from them freely.
const std::set<std::string>& plainQtBases()
{
    static const std::set<std::string> names = {
        "QSharedData",   "QRunnable",
        "QStyleOption",  "QTextObjectInterface",
        "QException",    "QStyleOptionViewItem",
        "QPaintDevice",  "QEvent",
        "QIODeviceBase", "QAbstractNativeEventFilter",
        "QIconEngine",
    };
    return names;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The body of the class whose opening brace is at `open`, nested braces included.
std::string bodyFrom(const std::string& text, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < text.size(); ++i) {
        if (text[i] == '{')
            ++depth;
        else if (text[i] == '}' && --depth == 0)
            return text.substr(open, i - open);
    }
    return text.substr(open);
}

int lineOf(const std::string& text, std::size_t position)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + position, '\n'));
}

// The Qt object bases named in a base clause ("public QTreeView, public PanelContext").
bool hasQtObjectBase(const std::string& bases)
{
    static const std::regex base(R"((?:public|protected|private)?\s*(Q[A-Z]\w*)\b(?!\s*<))");
    for (std::sregex_iterator it(bases.begin(), bases.end(), base), end; it != end; ++it) {
        if (!plainQtBases().count((*it)[1].str()))
            return true;
    }
    return false;
}

int checkFile(const std::string& path)
{
    const std::string text = readAll(path);
    static const std::regex declaration(R"(\b(class|struct)\s+(\w+)(\s+final)?\s*:([^{;()]*)\{)");
    int faults = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
        if (!hasQtObjectBase((*it)[4].str()))
            continue;
        const std::size_t open = static_cast<std::size_t>(it->position(0) + it->length(0) - 1);
        const std::string body = bodyFrom(text, open);
        if (body.find("Q_OBJECT") != std::string::npos ||
            body.find("Q_GADGET") != std::string::npos)
            continue;
        std::cerr << path << ':' << lineOf(text, static_cast<std::size_t>(it->position(0)))
                  << ": error: " << (*it)[2].str()
                  << " derives from a Qt object class but lacks Q_OBJECT, so findChild and "
                     "qobject_cast would match any object of its Qt base\n";
        ++faults;
    }
    return faults;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: orvanel-qobject-check STAMP FOLDER...\n";
        return 2;
    }
    int faults = 0;
    for (int i = 2; i < argc; ++i) {
        if (!std::filesystem::is_directory(argv[i]))
            continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i])) {
            const auto extension = entry.path().extension();
            if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp"))
                faults += checkFile(entry.path().string());
        }
    }
    if (faults != 0)
        return 1;
    std::ofstream(argv[1]) << "checked\n";
    return 0;
}
