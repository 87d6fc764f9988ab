#!/usr/bin/env python3
"""Writes setup.rc: the page templates and the string table in all nine languages.

One layout table below describes the classic pages; the header-look pages are derived from it,
and every language fills the same layout with its own texts. setup.rc is written in UTF-8 and
converted to Windows code page 1252 by the build (see CMakeLists.txt), so keep every text
inside that code page.

    python3 src/res/make_rc.py          # rewrites src/res/setup.rc
    python3 src/res/make_rc.py --check  # exits 1 when setup.rc is not what this script writes
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# Window and control style bits, spelled as the platform spells them.
WS_CHILD, WS_VISIBLE, WS_BORDER = 0x40000000, 0x10000000, 0x00800000
WS_VSCROLL, WS_GROUP, WS_TABSTOP = 0x00200000, 0x00020000, 0x00010000
SS_ICON, SS_BLACKFRAME, SS_BITMAP = 0x3, 0x7, 0xE
SS_REALSIZEIMAGE, SS_SUNKEN = 0x800, 0x1000
BS_GROUPBOX = 0x7
ES_MULTILINE, ES_AUTOHSCROLL, ES_READONLY = 0x4, 0x80, 0x800
LBS_NOTIFY, LBS_OWNERDRAWFIXED, LBS_HASSTRINGS, LBS_NOINTEGRALHEIGHT = 0x1, 0x10, 0x40, 0x100

SHOWN = WS_CHILD | WS_VISIBLE
HIDDEN = WS_CHILD
TEXT = SHOWN                      # left-aligned, word-wrapping static text
PICTURE = SHOWN | SS_BITMAP | SS_REALSIZEIMAGE
LINE = SHOWN | SS_BLACKFRAME | SS_SUNKEN
GROUP = SHOWN | BS_GROUPBOX
ICON_HIDDEN = HIDDEN | SS_ICON
ICON_SHOWN = SHOWN | SS_ICON
CHECKLIST = (SHOWN | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED
             | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT)
EDIT = SHOWN | WS_BORDER | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL
PUSHBUTTON = SHOWN | WS_TABSTOP
# A product description of up to 1,023 characters does not fit the few lines below the list:
# the box scrolls. Read-only, it has the page's colour, as a static would.
DESCRIPTION = SHOWN | WS_VSCROLL | ES_MULTILINE | ES_READONLY
PROGRESS = SHOWN

assert CHECKLIST == 0x50A10151 and EDIT == 0x50830080

IDS = {1200: 'IDC_HEADER_TITLE', 1201: 'IDC_HEADER_SUBTITLE', 1202: 'IDC_TITLE',
       1203: 'IDC_TEXT', 1204: 'IDC_PHASE', 1205: 'IDC_NOTICE_ICON', 1206: 'IDC_CHECKLIST',
       1207: 'IDC_TARGET_EDIT', 1208: 'IDC_BROWSE', 1209: 'IDC_PROGRESS', 1210: 'IDC_TARGET_FAULT',
       65533: 'IDC_STATIC_LINE', 65534: 'IDC_STATIC_TEXT', 65535: 'IDC_STATIC_OTHER'}
DIALOG_NAMES = {1100: 'IDD_WELCOME', 1101: 'IDD_COMPONENTS', 1102: 'IDD_TARGETDIR',
                1103: 'IDD_READY', 1104: 'IDD_INSTALLFINISH', 1105: 'IDD_REMOVE',
                1106: 'IDD_REMOVEFINISH', 1107: 'IDD_WELCOME_HDR', 1108: 'IDD_COMPONENTS_HDR',
                1109: 'IDD_TARGETDIR_HDR', 1110: 'IDD_READY_HDR',
                1111: 'IDD_INSTALLFINISH_HDR', 1112: 'IDD_REMOVE_HDR',
                1113: 'IDD_REMOVEFINISH_HDR'}

# A control: (class, id, x, y, width, height, style, text). The text is a key of the language's
# text table, '' for a control whose text the page sets, or an int for a bitmap resource.
HEADER = [('Static', 1200, 7, 0, 310, 8, TEXT, ''),
          ('Static', 1201, 21, 9, 296, 16, TEXT, ''),
          ('Static', 65533, 0, 28, 317, 1, LINE, '')]
WIZARD_PICTURE = ('Static', 65535, 0, 0, 95, 179, PICTURE, 4)

CLASSIC = {
    1100: [WIZARD_PICTURE,
           ('Static', 1202, 115, 1, 189, 24, TEXT, ''),
           ('Static', 1203, 115, 33, 189, 142, TEXT, '')],
    1101: HEADER + [
           ('Static', 65534, 21, 37, 275, 16, TEXT, 'components_hint'),
           ('ListBox', 1206, 21, 67, 220, 69, CHECKLIST, ''),
           ('Button', 65535, 21, 138, 220, 38, GROUP, ''),
           ('Edit', 1202, 27, 147, 209, 24, DESCRIPTION, '')],
    1102: HEADER + [
           ('Static', 1202, 21, 37, 275, 16, TEXT, 'target_hint'),
           ('Static', 1203, 21, 68, 220, 8, TEXT, 'target_label'),
           ('Edit', 1207, 21, 78, 220, 14, EDIT, ''),
           ('Button', 1208, 21, 99, 50, 14, PUSHBUTTON, 'browse'),
           ('Static', 1210, 21, 120, 275, 32, TEXT, '')],
    1103: HEADER + [
           ('Static', 65534, 21, 37, 275, 8, TEXT, 'ready_text'),
           ('Static', 65535, 21, 52, 275, 8, TEXT, 'ready_next'),
           ('Static', 1205, 21, 68, 10, 10, ICON_HIDDEN, ''),
           ('Static', 1202, 38, 69, 258, 16, HIDDEN, 'cdrom_note'),
           ('Static', 1203, 21, 158, 275, 8, TEXT, ''),
           ('msctls_progress32', 1209, 21, 168, 275, 10, PROGRESS, '')],
    1104: [WIZARD_PICTURE,
           ('Static', 1202, 115, 1, 189, 24, TEXT, 'install_done_title'),
           ('Static', 65535, 115, 33, 189, 8, TEXT, 'install_done_text'),
           ('Static', 65534, 115, 48, 189, 8, TEXT, 'click_finish'),
           ('Static', 1205, 115, 64, 10, 10, ICON_HIDDEN, ''),
           ('Static', 1203, 132, 65, 172, 40, HIDDEN, 'install_restart_note')],
    1105: [WIZARD_PICTURE,
           ('Static', 1202, 115, 1, 189, 24, TEXT, ''),
           ('Static', 65535, 115, 33, 189, 16, TEXT, 'remove_intro'),
           ('Static', 1205, 115, 60, 10, 10, ICON_SHOWN, ''),
           ('Static', 1203, 132, 61, 172, 8, TEXT, ''),
           ('Static', 65534, 115, 81, 189, 8, TEXT, 'remove_next'),
           ('Static', 1204, 115, 165, 189, 8, TEXT, '')],
    1106: [WIZARD_PICTURE,
           ('Static', 1202, 115, 1, 189, 24, TEXT, 'remove_done_title'),
           ('Static', 65535, 115, 33, 189, 8, TEXT, 'remove_done_text'),
           ('Static', 65534, 115, 48, 189, 8, TEXT, 'click_finish'),
           ('Static', 1205, 115, 64, 10, 10, ICON_HIDDEN, ''),
           ('Static', 1203, 132, 65, 172, 40, HIDDEN, 'remove_restart_note')],
}
OUTER_PAGES = {1100, 1104, 1105, 1106}
HEADER_LOOK_SHIFT = {True: 7, False: -36}   # outer pages move down, inner pages up


def french_remove_layout(controls):
    """French says the remove explanation in one line, so what follows it moves up."""
    moved = []
    for cls, cid, x, y, w, h, style, text in controls:
        if cid == 65535 and text == 'remove_intro':
            h = 8
        elif cid in (1205, 1203, 65534):
            y -= 8
        moved.append((cls, cid, x, y, w, h, style, text))
    return moved


def header_look(template, controls):
    """The twin of a classic page: the sheet draws picture and header, the rest shifts."""
    shift = HEADER_LOOK_SHIFT[template in OUTER_PAGES]
    kept = []
    for cls, cid, x, y, w, h, style, text in controls:
        if cid in (1200, 1201, 65533) or (style & 0xF) == SS_BITMAP and cls == 'Static':
            continue
        kept.append((cls, cid, x, y + shift, w, h, style, text))
    return kept


def templates_of(language):
    """(id, height, font, controls) of all fourteen templates in one language."""
    result = []
    for template, controls in CLASSIC.items():
        if language['key'] == 'fr' and template == 1105:
            controls = french_remove_layout(controls)
        result.append((template, 179, (8, 'MS Sans Serif'), controls))
        twin_height = 193 if template in OUTER_PAGES else 143
        result.append((template + 7, twin_height, (8, 'MS Shell Dlg'),
                       header_look(template, controls)))
    return sorted(result)


def rc_string(text):
    for bad in ('"', '\n', '\\'):
        assert bad not in text, 'texts carry no %r: %r' % (bad, text)
    text.encode('cp1252')
    return '"' + text.replace('\r', '\\r') + '"'


def rc_text(language, key):
    if isinstance(key, int):
        return str(key)
    return rc_string(language['dialog'][key] if key else '')


# The system's own control classes by their numbers, as the dialog template format allows:
# windres keeps a class written as a name as a string in every control (about 8 KB in all).
PREDEFINED_CLASSES = {'Button': 0x80, 'Edit': 0x81, 'Static': 0x82, 'ListBox': 0x83}


def rc_class(name):
    number = PREDEFINED_CLASSES.get(name)
    return '0x%02X' % number if number else '"%s"' % name


def write_template(out, language, template, height, font, controls):
    out.append('%s DIALOG 0, 0, 317, %d' % (DIALOG_NAMES[template], height))
    out.append('STYLE WS_CHILD | WS_CAPTION | DS_SETFONT')
    out.append('CAPTION %s' % rc_string(language['strings'][1300]))
    out.append('FONT %d, "%s"' % font)
    out.append('BEGIN')
    for cls, cid, x, y, w, h, style, text in controls:
        # NOT WS_VISIBLE keeps hidden controls hidden: CONTROL adds WS_VISIBLE by itself.
        visible = '' if style & WS_VISIBLE else ' | NOT WS_VISIBLE'
        out.append('  CONTROL %s, %s, %s, 0x%08X%s, %d, %d, %d, %d'
                   % (rc_text(language, text), IDS[cid], rc_class(cls), style, visible,
                      x, y, w, h))
    out.append('END')
    out.append('')


def write_language(out, language):
    out.append('// %s' % language['name'])
    out.append('LANGUAGE %s' % language['rc_language'])
    out.append('')
    for template, height, font, controls in templates_of(language):
        write_template(out, language, template, height, font, controls)
    out.append('STRINGTABLE')
    out.append('BEGIN')
    for sid in sorted(language['strings']):
        out.append('  %d %s' % (sid, rc_string(language['strings'][sid])))
    out.append('END')
    out.append('')


def main():
    sys.path.insert(0, HERE)
    from texts import LANGUAGES, check_language
    out = ['// Generated by make_rc.py from its layout table and texts.py: edit those, not this.',
           '// UTF-8; the build converts it to Windows code page 1252 before compiling.',
           '#include <windows.h>',
           '#include <commctrl.h>',
           '#include "resource.h"',
           '',
           '// Artwork drawn by make_art.py; the language-neutral images serve every language.',
           'LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL',
           'IDI_SETUP ICON "setup.ico"',
           'IDB_IMAGES BITMAP "images.bmp"',
           'IDB_WIZARD BITMAP "wizard.bmp"',
           'IDB_HEADER BITMAP "header.bmp"',
           '',
           '// The application manifest (CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST).',
           '1 24 "setup.manifest"',
           '']
    for language in LANGUAGES:
        check_language(language)
        write_language(out, language)
    text = '\n'.join(out)
    target = os.path.join(HERE, 'setup.rc')
    if sys.argv[1:] == ['--check']:
        with open(target, encoding='utf-8') as f:
            same = f.read() == text
        print('setup.rc is up to date' if same else 'setup.rc differs: run make_rc.py')
        return 0 if same else 1
    with open(target, 'w', encoding='utf-8', newline='\n') as f:
        f.write(text)
    return 0


if __name__ == '__main__':
    sys.exit(main())
