#include "platform/PlatformTexts.h"

#include "platform/DesktopChoice.h"
#include "core/localization/Localization.h"

namespace zuna::platform {

#ifdef __APPLE__

std::string permissionPromptText(const std::string& status) {
    return L(
        "V Sistemskih nastavitvah → Zasebnost in varnost → Dostopnost (v novejšem macOS: Upravljanje naprave in dostop do podatkov) vključi Zuna Trep.\n\nČe vnosa ni, z + dodaj /Applications/Zuna Trep.app. Po spremembi dovoljenja aplikacijo ponovno zaženi.\n\n{0}\n\nDovoljenje omogoča pošiljanje Cmd+V. Besedila ostajajo na tem računalniku.",
        status);
}

std::string helpText() {
    return L(
        "Klikni polje v drugi aplikaciji, nato svoj gumb. Kljukica označuje shranjeno besedilo; prazen gumb odpre urejanje.\n\nDesni klik odpre možnosti. Gumb povleci za spremembo vrstnega reda. Izbirnik skupin omogoča do 5 skupin.\n\nŠtiri teme izbereš s krožci ob skupini. Okno premikaš za naslov. Višina se samodejno prilagaja številu gumbov; če preseže zaslon, se po gumbih pomikaš z drsenjem. Širina je stalna.\n\nSpodnje stikalo vključi prikaz nad drugimi okni. Minus skrije okno (vrneš ga prek ZT v menijski vrstici), izklop zapre aplikacijo.\n\nJezik sledi nastavitvam macOS. Imena in besedila ostanejo tvoja. Izvoz in uvoz najdeš pod zobnikom.\n\nBesedilo ostane v odložišču. Aplikacija ne pritisne Enter. Podatki so lokalni in niso šifrirani.");
}

#else

std::string permissionPromptText(const std::string& status) {
    if (currentSession() == SessionKind::wayland) {
        return L(
            "V seji Wayland Zuna Trep potrebuje dve dovoljenji: dostop do polj (dostopnost AT-SPI, da prepozna aplikacijo in polje, v katerem pišeš) in ukaz za lepljenje. Ukaz pošlje navidezna tipkovnica sestavljalnika (sway in druga namizja wlroots, brez vprašanja) ali dovoljenje namizja za oddaljeno upravljanje (GNOME, KDE Plasma).\n\nOdpri nastavitve vključi dostopnost in odpre vprašanje namizja, v katerem dovoliš oddaljeno upravljanje. Novejša namizja si odgovor zapomnijo, starejša (xdg-desktop-portal pred 1.18, kot v Debianu 12) vprašajo ob vsakem zagonu programa. Aplikacije, ki jih Zuna Trep po vklopu dostopnosti ne prepozna, ponovno zaženi.\n\n{0}\n\nDovoljenje omogoča pošiljanje Ctrl+V. Besedila ostajajo na tem računalniku.",
            status);
    }
    return L(
        "Zuna Trep potrebuje dve dovoljenji: dostop do polj (dostopnost AT-SPI, da prepozna polje, v katerem pišeš) in ukaz za lepljenje (razširitev XTEST strežnika X, da pošlje Ctrl+V).\n\nDostopnost vključi gumb Odpri nastavitve; enako naredi ukaz gsettings set org.gnome.desktop.interface toolkit-accessibility true. Aplikacije, ki jih Zuna Trep po vklopu ne prepozna, ponovno zaženi. Ukaz za lepljenje omogoča strežnik X sam; seja Wayland ga ne dovoli.\n\n{0}\n\nDovoljenje omogoča pošiljanje Ctrl+V. Besedila ostajajo na tem računalniku.",
        status);
}

std::string helpText() {
    return L(
        "Klikni polje v drugi aplikaciji, nato svoj gumb. Kljukica označuje shranjeno besedilo; prazen gumb odpre urejanje.\n\nDesni klik odpre možnosti. Gumb povleci za spremembo vrstnega reda. Izbirnik skupin omogoča do 5 skupin.\n\nŠtiri teme izbereš s krožci ob skupini. Okno premikaš za naslov. Višina se samodejno prilagaja številu gumbov; če preseže zaslon, se po gumbih pomikaš z drsenjem. Širina je stalna.\n\nSpodnje stikalo vključi prikaz nad drugimi okni. Minus skrije okno (vrneš ga prek ikone ZT v sistemskem pladnju), izklop zapre aplikacijo.\n\nJezik sledi jezikovnim nastavitvam sistema. Imena in besedila ostanejo tvoja. Izvoz in uvoz najdeš pod zobnikom.\n\nLepljenje potrebuje sejo X11 in vključeno dostopnost. Besedilo ostane v odložišču. Aplikacija ne pritisne Enter. Podatki so lokalni in niso šifrirani.");
}

#endif

}  // namespace zuna::platform
