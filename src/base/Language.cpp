#include "base/Language.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace base {

namespace {

// "en", "en-US", "en_GB.UTF-8" and "en@euro" all name English; "eo" or "enx" do not.
bool NamesLanguage(std::string_view tag, std::string_view language) {
    if (tag.size() < language.size()) return false;
    for (std::size_t i = 0; i < language.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tag[i])) != language[i]) return false;
    }
    return tag.size() == language.size() || std::string_view("-_.@").find(tag[language.size()]) != std::string_view::npos;
}

struct TTranslation {
    std::string_view japanese;
    std::string_view english;
};

// Every Japanese text the shared modules raise or the tools print, with its
// English; "%s" marks stay where the values go.
constexpr TTranslation kTranslations[] = {
    {"ストリームからの読み込みエラー", "Stream read error"},
    {"ストリームへの書き込みエラー", "Stream write error"},
    {"ファイル %s は開けません", "Cannot open file %s"},
    {"ファイル %s を作成できません", "Cannot create file %s"},
    {"リストのインデックスが範囲を超えています (%s)", "List index out of bounds (%s)"},
    {"'%s' は正しい浮動小数点数ではありません", "'%s' is not a valid floating point number"},
    {"ファイルが空です", "the file is empty"},
    {"ファイルがデータの途中で終わっています (%s バイト)", "the file ends inside its data, after %s bytes"},
    {"通常のファイルではありません", "not a regular file"},
    {"3D Studio のモデルではありません", "not a 3D Studio model"},
    {"メッシュがありません", "the model holds no mesh"},
    {"メッシュもマテリアルもありません", "the model holds neither meshes nor materials"},
    {"面のあるメッシュがありません", "no mesh of the model has faces"},
    {"展開したデータが空です", "the packed data unpacks to nothing"},
    {"データが空です", "the data is empty"},
    {"DirectX のメッシュがありません", "the DirectX data holds no mesh"},
    {"読み込みできませんでした\r%s", "Could not read\r%s"},
    {"ホスト名が無効です", "Invalid host name"},
    {"Webサーバ名が無効です", "Invalid server name"},
    {"メモリが足りません", "Not enough memory"},
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
    const auto* shared = dynamic_cast<const Exception*>(&error);
    if (shared == nullptr || shared->Detail().text.empty()) return {};
    return MessageLines(FillValues(Translated(shared->Detail().text, language), shared->Detail().values));
}

std::string ErrorLine(const std::exception& error, TUiLanguage language, std::string_view namedFile) {
    const std::string file = UnnamedFile(error, namedFile);
    const std::string reason = ErrorReason(error, language);
    return (file.empty() ? "" : file + ": ") + ErrorMessage(error, language) + (reason.empty() ? "" : ": " + reason);
}

}  // namespace base
