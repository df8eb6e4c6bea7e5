#include "base/Language.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "base/AsciiCase.h"
#include "base/Texts.h"

namespace base {

namespace {

// "en", "en-US", "en_GB.UTF-8" and "en@euro" all name English; "eo" or "enx" do not.
bool NamesLanguage(std::string_view tag, std::string_view language) {
    if (tag.size() < language.size()) return false;
    for (std::size_t i = 0; i < language.size(); ++i) {
        if (LowerAscii(tag[i]) != language[i]) return false;
    }
    return tag.size() == language.size() || std::string_view("-_.@").find(tag[language.size()]) != std::string_view::npos;
}

struct TTranslation {
    std::string_view japanese;
    std::string_view english;
};

// The English of each text of base/Texts.h.
constexpr TTranslation kTranslations[] = {
    {kStreamReadError, "Stream read error"},
    {kStreamWriteError, "Stream write error"},
    {kCannotOpenFile, "Cannot open file %s"},
    {kCannotCreateFile, "Cannot create file %s"},
    {kListIndexOutOfBounds, "List index out of bounds (%s)"},
    {kNotAFloat, "'%s' is not a valid floating point number"},
    {kFileIsEmpty, "the file is empty"},
    {kFileEndsInsideData, "the file ends inside its data, after %s bytes"},
    {kFileLargerThan, "the file is larger than %s MB"},
    {kNotARegularFile, "not a regular file"},
    {kNotA3DStudioModel, "not a 3D Studio model"},
    {kNoMesh, "the model holds no mesh"},
    {kNoMeshNorMaterial, "the model holds neither meshes nor materials"},
    {kNoMeshWithFaces, "no mesh of the model has faces"},
    {kUnpacksToNothing, "the packed data unpacks to nothing"},
    {kDataIsEmpty, "the data is empty"},
    {kNoDirectXMesh, "the DirectX data holds no mesh"},
    {kCouldNotRead, "Could not read\r%s"},
    {kInvalidHostName, "Invalid host name"},
    {kInvalidServerName, "Invalid server name"},
    {kNoMemory, "Not enough memory"},
    {kOutputIsInput, "the output %s is the input file itself, or a file it reads; nothing written"},
    {kSideFilesNeedRegularFile,
     "%s is not a regular file, so a .gltf with files beside it cannot be written there; write a .glb instead"},
};

}  // namespace

TUiLanguage UiLanguageOf(const std::vector<std::string>& tags) {
    for (const std::string& tag : tags) {
        if (NamesLanguage(tag, "en")) return TUiLanguage::English;
        if (NamesLanguage(tag, "ja")) return TUiLanguage::Japanese;
    }
    return TUiLanguage::Japanese;
}

std::vector<std::string> EnvironmentUiLanguages() {
    std::vector<std::string> tags;
    const char* list = std::getenv("LANGUAGE");
    if (list != nullptr && *list != '\0') {
        const std::string_view languages(list);
        for (std::size_t start = 0; start <= languages.size();) {
            const std::size_t colon = std::min(languages.find(':', start), languages.size());
            if (colon > start) tags.emplace_back(languages.substr(start, colon - start));
            start = colon + 1;
        }
        return tags;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return {value};
    }
    return tags;
}

TUiLanguage EnvironmentUiLanguage() { return UiLanguageOf(EnvironmentUiLanguages()); }

std::string Translated(const std::string& text, TUiLanguage language) {
    if (language == TUiLanguage::Japanese) return text;
    for (const TTranslation& translation : kTranslations) {
        if (translation.japanese == text) return std::string(translation.english);
    }
    return text;
}

std::vector<std::string_view> TranslatableTexts() {
    std::vector<std::string_view> texts;
    for (const TTranslation& translation : kTranslations) texts.push_back(translation.japanese);
    return texts;
}

std::string ErrorMessage(const std::exception& error, TUiLanguage language) {
    const auto* shared = dynamic_cast<const Exception*>(&error);
    if (shared == nullptr) return MessageLines(error.what());
    return MessageLines(FillValues(Translated(shared->Text(), language), shared->Values()));
}

std::string UnnamedFile(const std::exception& error, std::string_view namedFile) {
    const auto* shared = dynamic_cast<const Exception*>(&error);
    if (shared == nullptr) return {};
    const std::string& file = shared->Detail().file;
    const std::vector<std::string>& values = shared->Values();
    if (file == namedFile || std::find(values.begin(), values.end(), file) != values.end()) return {};
    return file;
}

std::string ErrorReason(const std::exception& error, TUiLanguage language) {
    return ErrorReason(error, [language](const std::string& text) { return Translated(text, language); });
}

std::string ErrorReason(const std::exception& error, const TTranslator& translated) {
    const auto* shared = dynamic_cast<const Exception*>(&error);
    if (shared == nullptr || shared->Detail().text.empty()) return {};
    return MessageLines(FillValues(translated(shared->Detail().text), shared->Detail().values));
}

std::string ErrorLine(const std::exception& error, TUiLanguage language, std::string_view namedFile) {
    const std::string file = UnnamedFile(error, namedFile);
    const std::string reason = ErrorReason(error, language);
    return (file.empty() ? "" : file + ": ") + ErrorMessage(error, language) + (reason.empty() ? "" : ": " + reason);
}

}  // namespace base
