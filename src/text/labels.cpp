// SPDX-License-Identifier: MIT
#include "text/labels.h"

namespace korvane::text {

namespace {

const char* language_of_code_page(int code_page) {
    switch (code_page) {
    case 874: return "th";
    case 932: return "ja";
    case 936: return "zh-Hans";
    case 949: return "ko";
    case 950: return "zh-Hant";
    case 1253: return "el";
    case 1254: return "tr";
    case 1255: return "he";
    case 1256: return "ar";
    case 1258: return "vi";
    default: return "und";
    }
}

const Labels kLabels[] = {
    {"en", "Contents", "Index", "Search", "<< Previous", "Next >>", "Topics Found", "Other topics",
     "Associative keywords", "Files", "Type the first few letters of the word you're looking for", "Topic %d",
     "Type the words to look for.", "The search index of this site could not be loaded.",
     "No topics found for “{q}”.", "1 topic found for “{q}”.", "{n} topics found for “{q}”.",
     "Show more", "Searching needs JavaScript, which is off: the [index] and the [contents] work without it.",
     "The search uses [lunr.js]."},
    {"de", "Inhalt", "Index", "Suchen", "<< Zurück", "Weiter >>", "Gefundene Themen", "Weitere Themen",
     "Assoziative Stichwörter", "Dateien", "Geben Sie die ersten Buchstaben des gesuchten Wortes ein", "Thema %d",
     "Geben Sie die Wörter ein, nach denen gesucht werden soll.",
     "Der Suchindex dieser Site konnte nicht geladen werden.", "Keine Themen gefunden für „{q}“.",
     "1 Thema gefunden für „{q}“.", "{n} Themen gefunden für „{q}“.", "Weitere anzeigen",
     "Die Suche braucht JavaScript, das ausgeschaltet ist: der [Index] und das [Inhaltsverzeichnis] "
     "funktionieren auch ohne.",
     "Die Suche verwendet [lunr.js]."},
    {"es", "Contenido", "Índice", "Buscar", "<< Anterior", "Siguiente >>", "Temas encontrados", "Otros temas",
     "Palabras clave asociativas", "Archivos", "Escriba las primeras letras de la palabra que busca", "Tema %d",
     "Escriba las palabras que desea buscar.", "No se pudo cargar el índice de búsqueda de este sitio.",
     "No se encontraron temas para «{q}».", "1 tema encontrado para «{q}».", "{n} temas encontrados para «{q}».",
     "Mostrar más", "La búsqueda necesita JavaScript, que está desactivado: el [índice] y el [contenido] "
     "funcionan sin él.",
     "La búsqueda usa [lunr.js]."},
    {"fr", "Sommaire", "Index", "Rechercher", "<< Précédent", "Suivant >>", "Rubriques trouvées", "Autres rubriques",
     "Mots clés associatifs", "Fichiers", "Tapez les premières lettres du mot recherché", "Rubrique %d",
     "Tapez les mots à rechercher.", "L’index de recherche de ce site n’a pas pu être chargé.",
     "Aucune rubrique trouvée pour «\u00A0{q}\u00A0».", "1 rubrique trouvée pour «\u00A0{q}\u00A0».",
     "{n} rubriques trouvées pour «\u00A0{q}\u00A0».", "Afficher plus",
     "La recherche nécessite JavaScript, qui est désactivé\u00A0: l’[index] et le [sommaire] "
     "fonctionnent sans lui.",
     "La recherche utilise [lunr.js]."},
    {"ja", "目次", "キーワード", "検索", "<< 前へ", "次へ >>", "見つかったトピック", "その他のトピック",
     "関連キーワード", "ファイル", "探す語の最初の数文字を入力してください", "トピック %d",
     "検索する語を入力してください。", "このサイトの検索インデックスを読み込めませんでした。",
     "「{q}」に一致するトピックは見つかりませんでした。", "「{q}」の検索結果: 1 件", "「{q}」の検索結果: {n} 件",
     "さらに表示", "検索には JavaScript が必要ですが、無効になっています。[キーワード]と[目次]は JavaScript なしで"
     "使えます。",
     "検索には [lunr.js] を使用しています。"},
};

// The language of a Windows locale id's primary language (its low ten bits).
const char* language_of_locale(uint16_t locale) {
    switch (locale & 0x3FF) {
    case 0x01: return "ar";
    case 0x02: return "bg";
    case 0x03: return "ca";
    case 0x04:
        // Taiwan, Hong Kong and Macao write traditional characters.
        return locale == 0x0404 || locale == 0x0C04 || locale == 0x1404 ? "zh-Hant" : "zh-Hans";
    case 0x05: return "cs";
    case 0x06: return "da";
    case 0x07: return "de";
    case 0x08: return "el";
    case 0x09: return "en";
    case 0x0A: return "es";
    case 0x0B: return "fi";
    case 0x0C: return "fr";
    case 0x0D: return "he";
    case 0x0E: return "hu";
    case 0x0F: return "is";
    case 0x10: return "it";
    case 0x11: return "ja";
    case 0x12: return "ko";
    case 0x13: return "nl";
    case 0x14: return "no";
    case 0x15: return "pl";
    case 0x16: return "pt";
    case 0x18: return "ro";
    case 0x19: return "ru";
    case 0x1A: return "hr";
    case 0x1B: return "sk";
    case 0x1C: return "sq";
    case 0x1D: return "sv";
    case 0x1E: return "th";
    case 0x1F: return "tr";
    case 0x21: return "id";
    case 0x22: return "uk";
    case 0x23: return "be";
    case 0x24: return "sl";
    case 0x25: return "et";
    case 0x26: return "lv";
    case 0x27: return "lt";
    case 0x2A: return "vi";
    case 0x2D: return "eu";
    default: return "und";
    }
}

}  // namespace

std::string site_language(int code_page, uint16_t locale) {
    // A code page of one language outweighs the locale record, which some
    // compilers fill with their own default.
    std::string language = language_of_code_page(code_page);
    if (language == "und") language = language_of_locale(locale);
    return language;
}

const Labels& labels_for(std::string_view language) {
    std::string_view primary = language.substr(0, language.find('-'));
    for (const Labels& labels : kLabels) {
        if (primary == labels.language) return labels;
    }
    return kLabels[0];
}

}  // namespace korvane::text
