# -*- coding: utf-8 -*-
"""Every text of the wizard in its nine languages: the string table and the template texts.

Keep each text inside Windows code page 1252. A paragraph break is two carriage returns
("\r\r"). The sheet's own buttons (Back, Next, Cancel, Finish) are labelled with strings 1330 to
1333 of the page's language; texts that name them use those names.
"""
import re

STRING_IDS = ([1300, 1301] + list(range(1303, 1309)) + list(range(1311, 1323)) +
              list(range(1330, 1334)) + [1340] + list(range(1350, 1356)) +
              [1360, 1361, 1362, 1365, 1370, 1371])
DIALOG_KEYS = ['components_hint', 'target_hint', 'target_label', 'browse', 'ready_text',
               'ready_next', 'cdrom_note', 'install_done_title', 'install_done_text',
               'click_finish', 'install_restart_note', 'remove_intro', 'remove_next',
               'remove_done_title', 'remove_done_text', 'remove_restart_note']
# Conversions each format string must keep, in order: the code passes exactly these arguments.
FORMATS = {1314: ['%s'], 1315: ['%s', '%d'], 1350: ['%s'], 1351: ['%s'], 1354: ['%s'],
           1355: ['%s'], 1360: ['%s'], 1361: ['%s'], 1362: ['%s'], 1365: ['%s']}
BUFFER_SIZE = {1301: 1024}          # every other string is read into 256 bytes
DEFAULT_BUFFER_SIZE = 256

P = '\r\r'  # paragraph break

ENGLISH = {
    'key': 'en', 'name': 'English (United States)',
    'rc_language': 'LANG_ENGLISH, SUBLANG_ENGLISH_US',
    'strings': {
        1300: 'Orlavin for Windows Setup',
        1301: 'This wizard installs Orlavin for Windows onto your computer, a full-featured and '
              'highly configurable answering machine for ISDN.' + P +
              'Orlavin provides many handy functions which you can customise to your '
              'requirements.  You can configure personalised greetings for individual callers, '
              'call your mobile phone when new messages are left by specific callers and much '
              'more.' + P + 'Please press Next to begin the installation.',
        1303: 'Software Components',
        1304: 'Specify which software components you want to be installed during setup.',
        1305: 'Target Directory',
        1306: 'You can select a target directory where the software should be installed.',
        1307: 'Carry out Installation',
        1308: 'The installation can now be performed.',
        1311: 'The installation did not complete successfully.',
        1312: 'The deinstallation did not complete successfully.',
        1313: 'Warning',
        1314: 'A more recent version of %s is currently installed on your system.' + P +
              'Do you really want to replace the existing version?',
        1315: 'There is an error in file %s, line %d. Installation can not continue.',
        1316: 'Please select a target folder for installation:',
        1317: 'Stopping services ...',
        1318: 'Copying files ...',
        1319: 'Deleting files ...',
        1320: 'Updating registry ...',
        1321: 'Updating shortcuts ...',
        1322: 'Starting services ...',
        1330: '< &Back',
        1331: '&Next >',
        1332: 'Cancel',
        1333: 'Finish',
        1340: 'The software to be removed is not installed on this computer, or it is not part '
              'of this setup. Nothing has been removed.',
        1350: '%s is a file, not a folder.',
        1351: 'There is no drive %s.',
        1352: 'Please enter a complete path, beginning with a drive letter such as C:.',
        1353: 'Setup cannot use this path.',
        1354: 'This folder holds the setup of another program, %s.',
        1355: 'A folder name cannot end in a dot or a blank: %s',
        1360: 'The command line is not valid: the value of %s cannot be used.',
        1361: 'The setup script lists no product %s.',
        1362: '%s is damaged or incomplete.',
        1365: 'Another program, %s, already uses the key of this product. Remove that program '
              'first, or ask your supplier for another setup.',
        1370: 'Setup has taken back the changes it made.',
        1371: 'Setup has taken back the changes it made; '
              'some files are put back when the computer restarts.',
    },
    'dialog': {
        'components_hint': 'Place a checkmark beside each software component you want to '
                           'install, or remove the checkmark to exclude it from installation.',
        'target_hint': 'Please enter the target directory where the software should be '
                       'installed. Or, search for the appropriate folder by clicking Browse.',
        'target_label': '&Target directory:',
        'browse': 'B&rowse...',
        'ready_text': 'Setup is now ready to install the selected software.',
        'ready_next': 'Click on the Next button to start the installation.',
        'cdrom_note': 'Please keep your Microsoft Windows CD-ROM handy. Files from this CD may '
                      'be required during the installation.',
        'install_done_title': 'Setup complete',
        'install_done_text': 'The installation was successful.',
        'click_finish': 'Click Finish to exit Setup.',
        'install_restart_note': 'A number of the updated files are currently in use. The '
                                'system must therefore be restarted before the newly '
                                'installed software can be used.',
        'remove_intro': 'You are about to remove the following software component from your '
                        'computer:',
        'remove_next': 'Click Next to uninstall.',
        'remove_done_title': 'Uninstall complete',
        'remove_done_text': 'The software was successfully removed.',
        'remove_restart_note': 'You have to reboot your system to remove some files that are '
                               'currently in use.',
    },
}

DANISH = {
    'key': 'da', 'name': 'Danish', 'rc_language': 'LANG_DANISH, SUBLANG_NEUTRAL',
    'strings': {
        1300: 'Orlavin for Windows Setup',
        1301: 'Denne guide installerer Orlavin for Windows på din computer – en telefonsvarer '
              'til ISDN med mange funktioner og vide muligheder for tilpasning.' + P +
              'Orlavin byder på mange praktiske funktioner, som du kan tilpasse efter dine '
              'behov.  Du kan indstille personlige velkomsthilsener til bestemte opkaldere, '
              'blive ringet op på din mobiltelefon, når bestemte opkaldere lægger nye beskeder, '
              'og meget mere.' + P + 'Klik på Næste for at begynde installationen.',
        1303: 'Softwarekomponenter',
        1304: 'Angiv, hvilke softwarekomponenter der skal installeres.',
        1305: 'Destinationsmappe',
        1306: 'Du kan vælge den mappe, som softwaren skal installeres i.',
        1307: 'Udfør installationen',
        1308: 'Installationen kan nu udføres.',
        1311: 'Installationen blev ikke fuldført.',
        1312: 'Afinstallationen blev ikke fuldført.',
        1313: 'Advarsel',
        1314: 'En nyere version af %s er allerede installeret på computeren.' + P +
              'Vil du virkelig erstatte den eksisterende version?',
        1315: 'Der er en fejl i filen %s, linje %d. Installationen kan ikke fortsætte.',
        1316: 'Vælg en destinationsmappe til installationen:',
        1317: 'Stopper tjenester ...',
        1318: 'Kopierer filer ...',
        1319: 'Sletter filer ...',
        1320: 'Opdaterer registreringsdatabasen ...',
        1321: 'Opdaterer genveje ...',
        1322: 'Starter tjenester ...',
        1330: '< &Tilbage',
        1331: '&Næste >',
        1332: 'Annuller',
        1333: 'Udfør',
        1340: 'Den software, der skal fjernes, er ikke installeret på denne computer, eller '
              'den hører ikke til denne installation. Intet er blevet fjernet.',
        1350: '%s er en fil, ikke en mappe.',
        1351: 'Der findes intet drev %s.',
        1352: 'Angiv en fuldstændig sti, der begynder med et drevbogstav som C:.',
        1353: 'Installationsprogrammet kan ikke bruge denne sti.',
        1354: 'Mappen indeholder installationsprogrammet til et andet program, %s.',
        1355: 'Et mappenavn må ikke ende med punktum eller mellemrum: %s',
        1360: 'Kommandolinjen er ugyldig: værdien af %s kan ikke bruges.',
        1361: 'Installationsscriptet indeholder intet produkt %s.',
        1362: '%s er beskadiget eller ufuldstændig.',
        1365: 'Et andet program, %s, bruger allerede dette produkts nøgle. Fjern først det '
              'program, eller bed din leverandør om en anden installation.',
        1370: 'Installationsprogrammet har fortrudt de ændringer, det foretog.',
        1371: 'Installationsprogrammet har fortrudt de ændringer, det foretog; '
              'nogle filer gendannes, når computeren genstartes.',
    },
    'dialog': {
        'components_hint': 'Sæt et flueben ud for hver softwarekomponent, du vil installere, '
                           'eller fjern fluebenet for at udelade komponenten.',
        'target_hint': 'Angiv den mappe, som softwaren skal installeres i, eller find den '
                       'ønskede mappe ved at klikke på Gennemse.',
        'target_label': '&Destinationsmappe:',
        'browse': '&Gennemse...',
        'ready_text': 'Guiden er nu klar til at installere den valgte software.',
        'ready_next': 'Klik på Næste for at starte installationen.',
        'cdrom_note': 'Hav din Microsoft Windows-cd-rom ved hånden. Der kan blive brug for '
                      'filer fra denne cd under installationen.',
        'install_done_title': 'Installationen er fuldført',
        'install_done_text': 'Installationen lykkedes.',
        'click_finish': 'Klik på Udfør for at afslutte.',
        'install_restart_note': 'Nogle af de opdaterede filer er i brug. Computeren skal '
                                'derfor genstartes, før den nyinstallerede software kan '
                                'bruges.',
        'remove_intro': 'Du er ved at fjerne følgende softwarekomponent fra computeren:',
        'remove_next': 'Klik på Næste for at afinstallere.',
        'remove_done_title': 'Afinstallationen er fuldført',
        'remove_done_text': 'Softwaren blev fjernet.',
        'remove_restart_note': 'Du skal genstarte computeren for at fjerne nogle filer, som '
                               'er i brug.',
    },
}

SPANISH = {
    'key': 'es', 'name': 'Spanish', 'rc_language': 'LANG_SPANISH, SUBLANG_NEUTRAL',
    'strings': {
        1300: 'Instalación de Orlavin para Windows',
        1301: 'Este asistente instala en su equipo Orlavin para Windows, un contestador '
              'automático para RDSI completo y muy configurable.' + P +
              'Orlavin ofrece muchas funciones prácticas que puede adaptar a sus necesidades.  '
              'Puede configurar saludos personalizados para cada persona que llama, recibir una '
              'llamada en su teléfono móvil cuando determinadas personas dejen mensajes nuevos '
              'y mucho más.' + P + 'Haga clic en Siguiente para comenzar la instalación.',
        1303: 'Componentes de software',
        1304: 'Indique qué componentes de software desea instalar.',
        1305: 'Directorio de destino',
        1306: 'Puede seleccionar el directorio en el que se instalará el software.',
        1307: 'Realizar la instalación',
        1308: 'Ya se puede realizar la instalación.',
        1311: 'La instalación no se completó correctamente.',
        1312: 'La desinstalación no se completó correctamente.',
        1313: 'Advertencia',
        1314: 'En el sistema ya está instalada una versión más reciente de %s.' + P +
              '¿Desea realmente reemplazar la versión existente?',
        1315: 'Hay un error en el archivo %s, línea %d. La instalación no puede continuar.',
        1316: 'Seleccione una carpeta de destino para la instalación:',
        1317: 'Deteniendo servicios ...',
        1318: 'Copiando archivos ...',
        1319: 'Eliminando archivos ...',
        1320: 'Actualizando el registro ...',
        1321: 'Actualizando accesos directos ...',
        1322: 'Iniciando servicios ...',
        1330: '< &Atrás',
        1331: '&Siguiente >',
        1332: 'Cancelar',
        1333: 'Finalizar',
        1340: 'El software que se desea quitar no está instalado en este equipo o no forma '
              'parte de este programa de instalación. No se ha quitado nada.',
        1350: '%s es un archivo, no una carpeta.',
        1351: 'No existe la unidad %s.',
        1352: 'Escriba una ruta completa que empiece por una letra de unidad, como C:.',
        1353: 'El programa de instalación no puede usar esta ruta.',
        1354: 'Esta carpeta contiene la instalación de otro programa, %s.',
        1355: 'Un nombre de carpeta no puede acabar en punto ni en espacio: %s',
        1360: 'La línea de comandos no es válida: no se puede usar el valor de %s.',
        1361: 'El script de instalación no contiene ningún producto %s.',
        1362: '%s está dañado o incompleto.',
        1365: 'Otro programa, %s, ya usa la clave de este producto. Quite primero ese programa '
              'o pida otra instalación a su proveedor.',
        1370: 'El programa de instalación ha deshecho los cambios que realizó.',
        1371: 'El programa de instalación ha deshecho los cambios que realizó; '
              'algunos archivos se restaurarán al reiniciar el equipo.',
    },
    'dialog': {
        'components_hint': 'Marque cada componente de software que desee instalar, o quite la '
                           'marca para excluirlo de la instalación.',
        'target_hint': 'Escriba el directorio de destino en el que se instalará el software, '
                       'o busque la carpeta adecuada haciendo clic en Examinar.',
        'target_label': '&Directorio de destino:',
        'browse': 'E&xaminar...',
        'ready_text': 'El programa está listo para instalar el software seleccionado.',
        'ready_next': 'Haga clic en Siguiente para iniciar la instalación.',
        'cdrom_note': 'Tenga a mano el CD-ROM de Microsoft Windows. Es posible que se '
                      'necesiten archivos de este CD durante la instalación.',
        'install_done_title': 'Instalación completada',
        'install_done_text': 'La instalación se realizó correctamente.',
        'click_finish': 'Haga clic en Finalizar para salir.',
        'install_restart_note': 'Algunos de los archivos actualizados están en uso. Por ello, '
                                'debe reiniciar el sistema antes de poder usar el software '
                                'recién instalado.',
        'remove_intro': 'Está a punto de quitar de su equipo el siguiente componente de '
                        'software:',
        'remove_next': 'Haga clic en Siguiente para desinstalarlo.',
        'remove_done_title': 'Desinstalación completada',
        'remove_done_text': 'El software se quitó correctamente.',
        'remove_restart_note': 'Debe reiniciar el sistema para quitar algunos archivos que '
                               'están en uso.',
    },
}

FINNISH = {
    'key': 'fi', 'name': 'Finnish', 'rc_language': 'LANG_FINNISH, SUBLANG_NEUTRAL',
    'strings': {
        1300: 'Orlavin for Windows Asennus',
        1301: 'Tämä ohjattu toiminto asentaa tietokoneeseesi Orlavin for Windowsin, '
              'monipuolisen ja laajasti muokattavan ISDN-puhelinvastaajan.' + P +
              'Orlavinissa on monia käteviä toimintoja, jotka voit mukauttaa tarpeidesi '
              'mukaan.  Voit määrittää yksittäisille soittajille omat tervehdykset, saada '
              'soiton matkapuhelimeesi, kun tietyt soittajat jättävät uusia viestejä, ja '
              'paljon muuta.' + P + 'Aloita asennus valitsemalla Seuraava.',
        1303: 'Ohjelmistokomponentit',
        1304: 'Valitse, mitkä ohjelmistokomponentit asennetaan.',
        1305: 'Kohdekansio',
        1306: 'Voit valita kansion, johon ohjelmisto asennetaan.',
        1307: 'Asennuksen suorittaminen',
        1308: 'Asennus voidaan nyt suorittaa.',
        1311: 'Asennus ei onnistunut.',
        1312: 'Asennuksen poistaminen ei onnistunut.',
        1313: 'Varoitus',
        1314: 'Järjestelmään on jo asennettu uudempi versio tuotteesta %s.' + P +
              'Haluatko varmasti korvata nykyisen version?',
        1315: 'Tiedostossa %s on virhe rivillä %d. Asennusta ei voi jatkaa.',
        1316: 'Valitse asennuksen kohdekansio:',
        1317: 'Pysäytetään palveluja ...',
        1318: 'Kopioidaan tiedostoja ...',
        1319: 'Poistetaan tiedostoja ...',
        1320: 'Päivitetään rekisteriä ...',
        1321: 'Päivitetään pikakuvakkeita ...',
        1322: 'Käynnistetään palveluja ...',
        1330: '< &Edellinen',
        1331: '&Seuraava >',
        1332: 'Peruuta',
        1333: 'Valmis',
        1340: 'Poistettavaa ohjelmistoa ei ole asennettu tähän tietokoneeseen, tai se ei kuulu '
              'tähän asennukseen. Mitään ei poistettu.',
        1350: '%s on tiedosto eikä kansio.',
        1351: 'Asemaa %s ei ole.',
        1352: 'Kirjoita täydellinen polku, joka alkaa asematunnuksella, esimerkiksi C:.',
        1353: 'Asennusohjelma ei voi käyttää tätä polkua.',
        1354: 'Kansiossa on toisen ohjelman asennusohjelma: %s.',
        1355: 'Kansion nimi ei voi päättyä pisteeseen tai välilyöntiin: %s',
        1360: 'Komentorivi ei kelpaa: kohdan %s arvoa ei voi käyttää.',
        1361: 'Asennuskomentosarjassa ei ole tuotetta %s.',
        1362: '%s on vioittunut tai vajaa.',
        1365: 'Toinen ohjelma, %s, käyttää jo tämän tuotteen avainta. Poista ensin se ohjelma '
              'tai pyydä toimittajalta toinen asennus.',
        1370: 'Asennusohjelma on perunut tekemänsä muutokset.',
        1371: 'Asennusohjelma on perunut tekemänsä muutokset; '
              'jotkin tiedostot palautetaan, kun tietokone käynnistetään uudelleen.',
    },
    'dialog': {
        'components_hint': 'Valitse jokainen ohjelmistokomponentti, jonka haluat asentaa, tai '
                           'poista valintamerkki, jos et halua asentaa komponenttia.',
        'target_hint': 'Kirjoita kohdekansio, johon ohjelmisto asennetaan, tai etsi sopiva '
                       'kansio valitsemalla Selaa.',
        'target_label': '&Kohdekansio:',
        'browse': 'Se&laa...',
        'ready_text': 'Asennusohjelma on valmis asentamaan valitut ohjelmistot.',
        'ready_next': 'Aloita asennus valitsemalla Seuraava.',
        'cdrom_note': 'Pidä Microsoft Windowsin CD-levy saatavilla. Asennuksen aikana voidaan '
                      'tarvita tiedostoja tältä levyltä.',
        'install_done_title': 'Asennus on valmis',
        'install_done_text': 'Asennus onnistui.',
        'click_finish': 'Lopeta valitsemalla Valmis.',
        'install_restart_note': 'Osa päivitetyistä tiedostoista on käytössä. Järjestelmä on '
                                'siksi käynnistettävä uudelleen, ennen kuin juuri asennettua '
                                'ohjelmistoa voi käyttää.',
        'remove_intro': 'Olet poistamassa tietokoneesta seuraavan ohjelmistokomponentin:',
        'remove_next': 'Poista asennus valitsemalla Seuraava.',
        'remove_done_title': 'Asennuksen poisto on valmis',
        'remove_done_text': 'Ohjelmisto poistettiin.',
        'remove_restart_note': 'Järjestelmä on käynnistettävä uudelleen, jotta käytössä '
                               'olevat tiedostot voidaan poistaa.',
    },
}

NORWEGIAN = {
    'key': 'no', 'name': 'Norwegian', 'rc_language': 'LANG_NORWEGIAN, SUBLANG_NEUTRAL',
    'strings': {
        1300: 'Orlavin for Windows oppsett',
        1301: 'Denne veiviseren installerer Orlavin for Windows på datamaskinen din – en '
              'telefonsvarer for ISDN med mange funksjoner og rike muligheter for '
              'tilpasning.' + P +
              'Orlavin har mange praktiske funksjoner som du kan tilpasse etter egne behov.  '
              'Du kan lage personlige hilsener til enkelte innringere, bli oppringt på '
              'mobiltelefonen når bestemte innringere legger igjen nye meldinger, og mye '
              'mer.' + P + 'Klikk Neste for å starte installasjonen.',
        1303: 'Programvarekomponenter',
        1304: 'Angi hvilke programvarekomponenter som skal installeres.',
        1305: 'Målmappe',
        1306: 'Du kan velge hvilken mappe programvaren skal installeres i.',
        1307: 'Utfør installasjonen',
        1308: 'Installasjonen kan nå utføres.',
        1311: 'Installasjonen ble ikke fullført.',
        1312: 'Avinstallasjonen ble ikke fullført.',
        1313: 'Advarsel',
        1314: 'En nyere versjon av %s er allerede installert på systemet.' + P +
              'Vil du virkelig erstatte den eksisterende versjonen?',
        1315: 'Det er en feil i filen %s, linje %d. Installasjonen kan ikke fortsette.',
        1316: 'Velg en målmappe for installasjonen:',
        1317: 'Stopper tjenester ...',
        1318: 'Kopierer filer ...',
        1319: 'Sletter filer ...',
        1320: 'Oppdaterer registeret ...',
        1321: 'Oppdaterer snarveier ...',
        1322: 'Starter tjenester ...',
        1330: '< &Tilbake',
        1331: '&Neste >',
        1332: 'Avbryt',
        1333: 'Fullfør',
        1340: 'Programvaren som skal fjernes, er ikke installert på denne datamaskinen, eller '
              'den hører ikke til dette installasjonsprogrammet. Ingenting er fjernet.',
        1350: '%s er en fil, ikke en mappe.',
        1351: 'Det finnes ingen stasjon %s.',
        1352: 'Skriv inn en fullstendig bane som begynner med en stasjonsbokstav, for eksempel C:.',
        1353: 'Installasjonsprogrammet kan ikke bruke denne banen.',
        1354: 'Mappen inneholder installasjonsprogrammet til et annet program, %s.',
        1355: 'Et mappenavn kan ikke slutte med punktum eller mellomrom: %s',
        1360: 'Kommandolinjen er ugyldig: verdien av %s kan ikke brukes.',
        1361: 'Installasjonsskriptet inneholder ikke produktet %s.',
        1362: '%s er skadet eller ufullstendig.',
        1365: 'Et annet program, %s, bruker allerede nøkkelen til dette produktet. Fjern det '
              'programmet først, eller be leverandøren om en annen installasjon.',
        1370: 'Installasjonsprogrammet har tilbakestilt endringene det gjorde.',
        1371: 'Installasjonsprogrammet har tilbakestilt endringene det gjorde; '
              'noen filer gjenopprettes når datamaskinen startes på nytt.',
    },
    'dialog': {
        'components_hint': 'Merk av for hver programvarekomponent du vil installere, eller '
                           'fjern merket for å utelate den fra installasjonen.',
        'target_hint': 'Skriv inn målmappen som programvaren skal installeres i, eller velg '
                       'en annen mappe ved å klikke Endre.',
        'target_label': '&Målmappe:',
        'browse': '&Endre...',  # "Bla gjennom..." is wider than the button
        'ready_text': 'Installasjonsprogrammet er klart til å installere programvaren.',
        'ready_next': 'Klikk Neste for å starte installasjonen.',
        'cdrom_note': 'Ha CD-en med Microsoft Windows for hånden. Det kan bli behov for filer '
                      'fra denne CD-en under installasjonen.',
        'install_done_title': 'Installasjonen er fullført',
        'install_done_text': 'Installasjonen var vellykket.',
        'click_finish': 'Klikk Fullfør for å avslutte.',
        'install_restart_note': 'Noen av de oppdaterte filene er i bruk. Systemet må derfor '
                                'startes på nytt før den nylig installerte programvaren kan '
                                'brukes.',
        'remove_intro': 'Du er i ferd med å fjerne følgende programvarekomponent fra '
                        'datamaskinen:',
        'remove_next': 'Klikk Neste for å avinstallere.',
        'remove_done_title': 'Avinstallasjonen er fullført',
        'remove_done_text': 'Programvaren ble fjernet.',
        'remove_restart_note': 'Du må starte systemet på nytt for å fjerne noen filer som er '
                               'i bruk.',
    },
}

GERMAN = {
    'key': 'de', 'name': 'German (Germany)', 'rc_language': 'LANG_GERMAN, SUBLANG_GERMAN',
    'strings': {
        1300: 'Orlavin für Windows Setup',
        1301: 'Dieser Assistent installiert Orlavin für Windows auf Ihrem Computer, einen '
              'umfassend ausgestatteten und vielseitig konfigurierbaren Anrufbeantworter für '
              'ISDN.' + P +
              'Orlavin bietet viele praktische Funktionen, die Sie an Ihre Anforderungen '
              'anpassen können.  Sie können persönliche Ansagen für einzelne Anrufer '
              'einrichten, sich auf Ihrem Mobiltelefon anrufen lassen, wenn bestimmte Anrufer '
              'neue Nachrichten hinterlassen, und vieles mehr.' + P +
              'Klicken Sie auf „Weiter“, um mit der Installation zu beginnen.',
        1303: 'Softwarekomponenten',
        1304: 'Legen Sie fest, welche Softwarekomponenten installiert werden sollen.',
        1305: 'Zielverzeichnis',
        1306: 'Sie können das Verzeichnis wählen, in das die Software installiert werden soll.',
        1307: 'Installation durchführen',
        1308: 'Die Installation kann jetzt durchgeführt werden.',
        1311: 'Die Installation wurde nicht erfolgreich abgeschlossen.',
        1312: 'Die Deinstallation wurde nicht erfolgreich abgeschlossen.',
        1313: 'Warnung',
        1314: 'Auf Ihrem System ist bereits eine neuere Version von %s installiert.' + P +
              'Möchten Sie die vorhandene Version wirklich ersetzen?',
        1315: 'Die Datei %s enthält in Zeile %d einen Fehler. Die Installation kann nicht '
              'fortgesetzt werden.',
        1316: 'Wählen Sie einen Zielordner für die Installation:',
        1317: 'Dienste werden beendet ...',
        1318: 'Dateien werden kopiert ...',
        1319: 'Dateien werden gelöscht ...',
        1320: 'Registrierung wird aktualisiert ...',
        1321: 'Verknüpfungen werden aktualisiert ...',
        1322: 'Dienste werden gestartet ...',
        1330: '< &Zurück',
        1331: '&Weiter >',
        1332: 'Abbrechen',
        1333: 'Fertig stellen',
        1340: 'Die zu entfernende Software ist auf diesem Computer nicht installiert oder '
              'gehört nicht zu diesem Setup. Es wurde nichts entfernt.',
        1350: '%s ist eine Datei, kein Ordner.',
        1351: 'Es gibt kein Laufwerk %s.',
        1352: 'Bitte geben Sie einen vollständigen Pfad ein, der mit einem Laufwerksbuchstaben '
              'wie C: beginnt.',
        1353: 'Setup kann diesen Pfad nicht verwenden.',
        1354: 'Dieser Ordner enthält das Setup eines anderen Programms, %s.',
        1355: 'Ein Ordnername darf nicht auf Punkt oder Leerzeichen enden: %s',
        1360: 'Die Befehlszeile ist ungültig: Der Wert von %s kann nicht verwendet werden.',
        1361: 'Das Setup-Skript enthält kein Produkt %s.',
        1362: '%s ist beschädigt oder unvollständig.',
        1365: 'Ein anderes Programm, %s, verwendet bereits den Schlüssel dieses Produkts. '
              'Entfernen Sie zuerst dieses Programm, oder fordern Sie ein anderes Setup an.',
        1370: 'Setup hat die vorgenommenen Änderungen rückgängig gemacht.',
        1371: 'Setup hat die vorgenommenen Änderungen rückgängig gemacht; '
              'einige Dateien werden beim Neustart des Computers wiederhergestellt.',
    },
    'dialog': {
        'components_hint': 'Setzen Sie ein Häkchen bei jeder Komponente, die installiert '
                           'werden soll, oder entfernen Sie es, um sie auszuschließen.',
        'target_hint': 'Geben Sie das Zielverzeichnis für die Software ein, oder wählen Sie '
                       'mit „Ändern“ einen passenden Ordner.',
        'target_label': 'Ziel&verzeichnis:',
        'browse': 'Ä&ndern...',  # "Durchsuchen..." is wider than the button
        'ready_text': 'Setup ist jetzt bereit, die ausgewählte Software zu installieren.',
        'ready_next': 'Klicken Sie auf „Weiter“, um die Installation zu starten.',
        'cdrom_note': 'Halten Sie Ihre Microsoft Windows-CD-ROM bereit. Während der '
                      'Installation werden eventuell Dateien von dieser CD benötigt.',
        'install_done_title': 'Setup abgeschlossen',
        'install_done_text': 'Die Installation war erfolgreich.',
        'click_finish': 'Beenden Sie Setup mit „Fertig stellen“.',
        'install_restart_note': 'Einige der aktualisierten Dateien werden gerade verwendet. '
                                'Das System muss daher neu gestartet werden, bevor die neu '
                                'installierte Software verwendet werden kann.',
        'remove_intro': 'Sie sind dabei, die folgende Softwarekomponente von Ihrem Computer '
                        'zu entfernen:',
        'remove_next': 'Klicken Sie zum Deinstallieren auf „Weiter“.',
        'remove_done_title': 'Deinstallation abgeschlossen',
        'remove_done_text': 'Die Software wurde erfolgreich entfernt.',
        'remove_restart_note': 'Sie müssen Ihr System neu starten, um einige Dateien zu '
                               'entfernen, die gerade verwendet werden.',
    },
}

FRENCH = {
    'key': 'fr', 'name': 'French (France)', 'rc_language': 'LANG_FRENCH, SUBLANG_FRENCH',
    'strings': {
        1300: 'Installation de Orlavin sous Windows',
        1301: 'Cet assistant installe sur votre ordinateur Orlavin pour Windows, un répondeur '
              'RNIS complet et hautement configurable.' + P +
              'Orlavin offre de nombreuses fonctions pratiques que vous pouvez adapter à vos '
              'besoins.  Vous pouvez configurer des annonces personnalisées pour certains '
              'correspondants, être appelé sur votre téléphone portable lorsque des '
              'correspondants précis laissent de nouveaux messages, et bien plus encore.' + P +
              'Cliquez sur Suivant pour commencer l\'installation.',
        1303: 'Composants logiciels',
        1304: 'Indiquez les composants logiciels à installer.',
        1305: 'Répertoire de destination',
        1306: 'Vous pouvez choisir le répertoire dans lequel le logiciel sera installé.',
        1307: 'Procéder à l\'installation',
        1308: 'L\'installation peut maintenant être effectuée.',
        1311: 'L\'installation ne s\'est pas terminée correctement.',
        1312: 'La désinstallation ne s\'est pas terminée correctement.',
        1313: 'Avertissement',
        1314: 'Une version plus récente de %s est déjà installée sur votre système.' + P +
              'Voulez-vous vraiment remplacer la version existante\u00a0?',
        1315: 'Le fichier %s contient une erreur à la ligne %d. L\'installation ne peut pas '
              'continuer.',
        1316: 'Sélectionnez un dossier de destination pour l\'installation\u00a0:',
        1317: 'Arrêt des services ...',
        1318: 'Copie des fichiers ...',
        1319: 'Suppression des fichiers ...',
        1320: 'Mise à jour du Registre ...',
        1321: 'Mise à jour des raccourcis ...',
        1322: 'Démarrage des services ...',
        1330: '< &Précédent',
        1331: '&Suivant >',
        1332: 'Annuler',
        1333: 'Terminer',
        1340: "Le logiciel à supprimer n'est pas installé sur cet ordinateur ou ne fait pas "
              "partie de ce programme d'installation. Rien n'a été supprimé.",
        1350: '%s est un fichier et non un dossier.',
        1351: "Il n'existe aucun lecteur %s.",
        1352: 'Veuillez indiquer un chemin complet commençant par une lettre de lecteur, '
              'comme C:.',
        1353: "Le programme d'installation ne peut pas utiliser ce chemin.",
        1354: "Ce dossier contient l'installation d'un autre programme, %s.",
        1355: 'Un nom de dossier ne peut pas finir par un point ou une espace : %s',
        1360: "La ligne de commande n'est pas valide : la valeur de %s ne peut pas être utilisée.",
        1361: "Le script d'installation ne contient aucun produit %s.",
        1362: '%s est endommagé ou incomplet.',
        1365: "Un autre programme, %s, utilise déjà la clé de ce produit. Supprimez d'abord ce "
              'programme ou demandez une autre installation à votre fournisseur.',
        1370: "Le programme d'installation a annulé les modifications qu'il avait apportées.",
        1371: "Le programme d'installation a annulé les modifications qu'il avait apportées ; "
              "certains fichiers seront restaurés au redémarrage de l'ordinateur.",
    },
    'dialog': {
        'components_hint': 'Cochez chaque composant logiciel que vous voulez installer, ou '
                           'décochez-le pour l\'exclure de l\'installation.',
        'target_hint': 'Entrez le répertoire de destination du logiciel, ou recherchez le '
                       'dossier voulu en cliquant sur Parcourir.',
        'target_label': '&Répertoire de destination\u00a0:',
        'browse': 'Parc&ourir...',
        'ready_text': 'Le programme est prêt à installer le logiciel sélectionné.',
        'ready_next': 'Cliquez sur Suivant pour commencer l\'installation.',
        'cdrom_note': 'Gardez à portée de main le CD-ROM de Microsoft Windows. Des fichiers '
                      'de ce CD peuvent être nécessaires pendant l\'installation.',
        'install_done_title': 'Installation terminée',
        'install_done_text': 'L\'installation a réussi.',
        'click_finish': 'Cliquez sur Terminer pour quitter.',
        'install_restart_note': 'Certains des fichiers mis à jour sont en cours '
                                'd\'utilisation. Le système doit donc être redémarré avant '
                                'que le logiciel nouvellement installé puisse être utilisé.',
        'remove_intro': 'Vous allez supprimer le logiciel suivant\u00a0:',
        'remove_next': 'Cliquez sur Suivant pour le désinstaller.',
        'remove_done_title': 'Désinstallation terminée',
        'remove_done_text': 'Le logiciel a été supprimé.',
        'remove_restart_note': 'Vous devez redémarrer le système pour supprimer certains '
                               'fichiers en cours d\'utilisation.',
    },
}

ITALIAN = {
    'key': 'it', 'name': 'Italian (Italy)', 'rc_language': 'LANG_ITALIAN, SUBLANG_ITALIAN',
    'strings': {
        1300: 'Orlavin per il setup di Windows',
        1301: 'Questa procedura guidata installa nel computer Orlavin per Windows, una '
              'segreteria telefonica ISDN completa e altamente configurabile.' + P +
              'Orlavin offre molte funzioni pratiche che è possibile personalizzare in base '
              'alle proprie esigenze.  È possibile impostare messaggi di benvenuto '
              'personalizzati per singoli chiamanti, ricevere una chiamata sul cellulare quando '
              'determinati chiamanti lasciano nuovi messaggi e molto altro.' + P +
              'Fare clic su Avanti per iniziare l\'installazione.',
        1303: 'Componenti software',
        1304: 'Specificare i componenti software da installare.',
        1305: 'Cartella di destinazione',
        1306: 'È possibile selezionare la cartella in cui installare il software.',
        1307: 'Esecuzione dell\'installazione',
        1308: 'È ora possibile eseguire l\'installazione.',
        1311: 'L\'installazione non è stata completata correttamente.',
        1312: 'La disinstallazione non è stata completata correttamente.',
        1313: 'Avviso',
        1314: 'Nel sistema è già installata una versione più recente di %s.' + P +
              'Si desidera sostituire la versione esistente?',
        1315: 'Errore nel file %s alla riga %d. Impossibile continuare l\'installazione.',
        1316: 'Selezionare una cartella di destinazione per l\'installazione:',
        1317: 'Arresto dei servizi ...',
        1318: 'Copia dei file ...',
        1319: 'Eliminazione dei file ...',
        1320: 'Aggiornamento del Registro di sistema ...',
        1321: 'Aggiornamento dei collegamenti ...',
        1322: 'Avvio dei servizi ...',
        1330: '< &Indietro',
        1331: '&Avanti >',
        1332: 'Annulla',
        1333: 'Fine',
        1340: 'Il software da rimuovere non è installato su questo computer oppure non fa '
              'parte di questa installazione. Non è stato rimosso nulla.',
        1350: '%s è un file, non una cartella.',
        1351: "Non esiste l'unità %s.",
        1352: 'Immettere un percorso completo che inizi con una lettera di unità, ad esempio C:.',
        1353: 'Il programma di installazione non può usare questo percorso.',
        1354: "Questa cartella contiene l'installazione di un altro programma, %s.",
        1355: 'Un nome di cartella non può finire con un punto o uno spazio: %s',
        1360: 'La riga di comando non è valida: il valore di %s non può essere usato.',
        1361: 'Lo script di installazione non contiene il prodotto %s.',
        1362: '%s è danneggiato o incompleto.',
        1365: 'Un altro programma, %s, usa già la chiave di questo prodotto. Rimuovere prima '
              "quel programma o chiedere al fornitore un'altra installazione.",
        1370: 'Il programma di installazione ha annullato le modifiche apportate.',
        1371: 'Il programma di installazione ha annullato le modifiche apportate; '
              'alcuni file verranno ripristinati al riavvio del computer.',
    },
    'dialog': {
        'components_hint': 'Selezionare ogni componente software da installare oppure '
                           'deselezionarlo per escluderlo dall\'installazione.',
        'target_hint': 'Immettere la cartella in cui installare il software oppure cercare la '
                       'cartella appropriata facendo clic su Sfoglia.',
        'target_label': '&Cartella di destinazione:',
        'browse': 'S&foglia...',
        'ready_text': 'Il programma è pronto per installare il software selezionato.',
        'ready_next': 'Fare clic su Avanti per avviare l\'installazione.',
        'cdrom_note': 'Tenere a portata di mano il CD-ROM di Microsoft Windows. Durante '
                      'l\'installazione potrebbero essere necessari file di questo CD.',
        'install_done_title': 'Installazione completata',
        'install_done_text': 'L\'installazione è riuscita.',
        'click_finish': 'Fare clic su Fine per uscire.',
        'install_restart_note': 'Alcuni dei file aggiornati sono attualmente in uso. È quindi '
                                'necessario riavviare il sistema prima di poter utilizzare il '
                                'software appena installato.',
        'remove_intro': 'Si sta per rimuovere dal computer il seguente componente software:',
        'remove_next': 'Fare clic su Avanti per disinstallarlo.',
        'remove_done_title': 'Disinstallazione completata',
        'remove_done_text': 'Il software è stato rimosso.',
        'remove_restart_note': 'Per rimuovere alcuni file attualmente in uso è necessario '
                               'riavviare il sistema.',
    },
}

DUTCH = {
    'key': 'nl', 'name': 'Dutch (Netherlands)', 'rc_language': 'LANG_DUTCH, SUBLANG_DUTCH',
    'strings': {
        1300: 'Orlavin voor Windows setup',
        1301: 'Deze wizard installeert Orlavin voor Windows op uw computer, een veelzijdig en '
              'uitgebreid configureerbaar antwoordapparaat voor ISDN.' + P +
              'Orlavin biedt veel handige functies die u aan uw eigen wensen kunt aanpassen.  '
              'U kunt persoonlijke begroetingen instellen voor afzonderlijke bellers, uw '
              'mobiele telefoon laten bellen wanneer bepaalde bellers nieuwe berichten '
              'achterlaten, en nog veel meer.' + P +
              'Klik op Volgende om met de installatie te beginnen.',
        1303: 'Softwareonderdelen',
        1304: 'Geef aan welke softwareonderdelen u wilt installeren.',
        1305: 'Doelmap',
        1306: 'U kunt de map kiezen waarin de software wordt geïnstalleerd.',
        1307: 'Installatie uitvoeren',
        1308: 'De installatie kan nu worden uitgevoerd.',
        1311: 'De installatie is niet voltooid.',
        1312: 'Het verwijderen is niet voltooid.',
        1313: 'Waarschuwing',
        1314: 'Er is al een recentere versie van %s op uw systeem geïnstalleerd.' + P +
              'Wilt u de bestaande versie echt vervangen?',
        1315: 'Er staat een fout in bestand %s, regel %d. De installatie kan niet doorgaan.',
        1316: 'Selecteer een doelmap voor de installatie:',
        1317: 'Services stoppen ...',
        1318: 'Bestanden kopiëren ...',
        1319: 'Bestanden verwijderen ...',
        1320: 'Register bijwerken ...',
        1321: 'Snelkoppelingen bijwerken ...',
        1322: 'Services starten ...',
        1330: '< V&orige',
        1331: '&Volgende >',
        1332: 'Annuleren',
        1333: 'Voltooien',
        1340: 'De te verwijderen software is niet op deze computer geïnstalleerd of hoort niet '
              'bij deze installatie. Er is niets verwijderd.',
        1350: '%s is een bestand, geen map.',
        1351: 'Station %s bestaat niet.',
        1352: 'Geef een volledig pad op dat begint met een stationsletter, zoals C:.',
        1353: 'Setup kan dit pad niet gebruiken.',
        1354: 'Deze map bevat de setup van een ander programma, %s.',
        1355: 'Een mapnaam mag niet eindigen op een punt of spatie: %s',
        1360: 'De opdrachtregel is ongeldig: de waarde van %s kan niet worden gebruikt.',
        1361: 'Het installatiescript bevat geen product %s.',
        1362: '%s is beschadigd of onvolledig.',
        1365: 'Een ander programma, %s, gebruikt al de sleutel van dit product. Verwijder eerst '
              'dat programma of vraag uw leverancier om een andere setup.',
        1370: 'Setup heeft de aangebrachte wijzigingen ongedaan gemaakt.',
        1371: 'Setup heeft de aangebrachte wijzigingen ongedaan gemaakt; '
              'sommige bestanden worden hersteld wanneer de computer opnieuw wordt opgestart.',
    },
    'dialog': {
        'components_hint': 'Plaats een vinkje bij elk softwareonderdeel dat u wilt installeren, '
                           'of verwijder het vinkje om het over te slaan.',
        'target_hint': 'Voer de doelmap in waarin de software moet worden geïnstalleerd, of '
                       'zoek de gewenste map door op Bladeren te klikken.',
        'target_label': '&Doelmap:',
        'browse': '&Bladeren...',
        'ready_text': 'Setup is nu gereed om de geselecteerde software te installeren.',
        'ready_next': 'Klik op Volgende om de installatie te starten.',
        'cdrom_note': 'Houd de cd-rom van Microsoft Windows bij de hand. Tijdens de '
                      'installatie kunnen bestanden van deze cd nodig zijn.',
        'install_done_title': 'Setup voltooid',
        'install_done_text': 'De installatie is geslaagd.',
        'click_finish': 'Klik op Voltooien om Setup af te sluiten.',
        'install_restart_note': 'Enkele bijgewerkte bestanden zijn momenteel in gebruik. Het '
                                'systeem moet daarom opnieuw worden opgestart voordat de nieuw '
                                'geïnstalleerde software kan worden gebruikt.',
        'remove_intro': 'U staat op het punt het volgende softwareonderdeel van uw computer te '
                        'verwijderen:',
        'remove_next': 'Klik op Volgende om te verwijderen.',
        'remove_done_title': 'Verwijderen voltooid',
        'remove_done_text': 'De software is verwijderd.',
        'remove_restart_note': 'U moet het systeem opnieuw opstarten om enkele bestanden te '
                               'verwijderen die in gebruik zijn.',
    },
}

# In the order of the resource directory (ascending language identifier).
LANGUAGES = [DANISH, SPANISH, FINNISH, NORWEGIAN, GERMAN, ENGLISH, FRENCH, ITALIAN, DUTCH]


def mnemonic(text):
    """The key that Alt selects a control with: the character after '&', lowered."""
    at = text.find('&')
    return text[at + 1].lower() if 0 <= at < len(text) - 1 else None


def check_language(language):
    """Refuses a table that would break the program: missing texts, changed conversions,
    texts longer than their readers' buffers or outside code page 1252."""
    name = language['name']
    strings, dialog = language['strings'], language['dialog']
    assert sorted(strings) == STRING_IDS, name + ': string ids'
    assert sorted(dialog) == sorted(DIALOG_KEYS), name + ': dialog texts'
    for sid, text in strings.items():
        # The program reads each string in UTF-8 where the system lets it, else in 1252.
        size = max(len(text.encode('cp1252')), len(text.encode('utf-8'))) + 1
        assert size <= BUFFER_SIZE.get(sid, DEFAULT_BUFFER_SIZE), '%s: %d too long' % (name, sid)
        conversions = re.findall(r'%[-+ #0]*[0-9]*(?:\.[0-9]+)?[a-zA-Z%]', text)
        assert conversions == FORMATS.get(sid, []), '%s: %d conversions %r' % (
            name, sid, conversions)
        assert '\n' not in text, name
    for key, text in dialog.items():
        text.encode('cp1252')
        assert text.count('&') <= 1, name + ': ' + key
    # The target page shows these four at once: each needs a key of its own.
    keys = [mnemonic(t) for t in (dialog['target_label'], dialog['browse'], strings[1330],
                                  strings[1331])]
    assert len(set(keys)) == len(keys) and None not in keys, name + ': mnemonics %r' % keys
