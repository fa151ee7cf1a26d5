#include "platform/linux/HelpText.h"

#include "core/localization/Localization.h"

namespace zuna::platform {

std::string linuxHelpText() {
    return L(
        "Klikni polje v drugi aplikaciji, nato svoj gumb. Kljukica označuje shranjeno besedilo; prazen gumb odpre urejanje.\n\nDesni klik odpre možnosti. Gumb povleci za spremembo vrstnega reda. Izbirnik skupin omogoča do 5 skupin.\n\nŠtiri teme izbereš s krožci ob skupini. Okno premikaš za naslov. Višina se samodejno prilagaja številu gumbov; če preseže zaslon, se po gumbih pomikaš z drsenjem. Širina je stalna.\n\nSpodnje stikalo vključi prikaz nad drugimi okni. Minus skrije okno (vrneš ga prek ikone ZT v sistemskem pladnju), izklop zapre aplikacijo.\n\nJezik sledi jezikovnim nastavitvam sistema. Imena in besedila ostanejo tvoja. Izvoz in uvoz najdeš pod zobnikom.\n\nLepljenje potrebuje sejo X11 in vključeno dostopnost. Besedilo ostane v odložišču. Aplikacija ne pritisne Enter. Podatki so lokalni in niso šifrirani.");
}

}  // namespace zuna::platform
