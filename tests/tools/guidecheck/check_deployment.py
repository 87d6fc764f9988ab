#!/usr/bin/env python3
"""Checks what deployment systems are told against what the program does.

- The exit-code tables of the README and of the guide (16.3) list exactly the codes that
  src/common/ExitCode.h defines, and src/common/ExitCode.cpp gives each of them the words of the
  log's last line.
- The sample's winget manifest keeps the rules of the installer manifest schema that can be
  stated here: its required keys, the allowed InstallerType, Architecture and ReturnResponse
  values, the forms of the identifier, address and hash; its switches are options the program
  parses; every code it lists is one the program returns, and every code of an install run is
  listed; its Apps and Features entries are those the sample's silent install writes. The guide
  quotes it whole.

Usage: check_deployment.py [top of the source tree]; prints each problem and exits 1 when any.
"""
import os
import re
import sys

import yaml

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_guide import TOP, GUIDE, fenced_blocks, read  # noqa: E402

README = os.path.join(TOP, 'README.md')
EXIT_CODES = os.path.join(TOP, 'src', 'common', 'ExitCode.h')
EXIT_MEANINGS = os.path.join(TOP, 'src', 'common', 'ExitCode.cpp')
COMMAND_LINE = os.path.join(TOP, 'src', 'app', 'CommandLine.cpp')
SAMPLE = os.path.join(TOP, 'examples', 'orlavin')
MANIFEST = os.path.join(SAMPLE, 'OrlavinSoftware.Orlavin.installer.yaml')

# What the installer manifest schema 1.6.0 states.
REQUIRED_KEYS = ['PackageIdentifier', 'PackageVersion', 'Installers', 'ManifestType',
                 'ManifestVersion']
REQUIRED_INSTALLER_KEYS = ['Architecture', 'InstallerUrl', 'InstallerSha256']
INSTALLER_TYPES = {'msix', 'msi', 'appx', 'exe', 'zip', 'inno', 'nullsoft', 'wix', 'burn',
                   'pwa', 'portable'}
ARCHITECTURES = {'x86', 'x64', 'arm', 'arm64', 'neutral'}
RETURN_RESPONSES = {
    'packageInUse', 'packageInUseByApplication', 'installInProgress', 'fileInUse',
    'missingDependency', 'diskFull', 'insufficientMemory', 'invalidParameter', 'noNetwork',
    'contactSupport', 'rebootRequiredToFinish', 'rebootRequiredForInstall', 'rebootInitiated',
    'cancelledByUser', 'alreadyInstalled', 'downgrade', 'blockedByPolicy', 'systemNotSupported',
    'custom'}
SWITCHES = {'Silent', 'SilentWithProgress', 'Interactive', 'InstallLocation', 'Log', 'Upgrade',
            'Custom'}
SEGMENT = r'[^.\s\\/:*?"<>|\x01-\x1f]{1,32}'
IDENTIFIER = re.compile(r'^%s(\.%s){1,7}$' % (SEGMENT, SEGMENT))
# Only a removal ends with this code: winget runs the entry's own command for that.
REMOVAL_ONLY = {'kExitUnknownProduct'}

problems = []


def exit_constants():
    """{name: code} of the exit codes the program defines."""
    return {name: int(code) for name, code in
            re.findall(r'constexpr int (kExit\w+) = (\d+);', read(EXIT_CODES))}


def table_codes(text, heading):
    m = re.search(re.escape(heading) + r'\n(.*?)\n#', text, re.S)
    return set(int(c) for c in re.findall(r'^\| (\d+) \|', m.group(1), re.M)) if m else set()


def check_exit_code_tables(constants):
    returned = set(constants.values())
    if not returned:
        problems.append('no exit codes found in src/common/ExitCode.h')
    for path, heading in ((README, '## Exit codes'), (GUIDE, '### 16.3 Exit codes')):
        documented = table_codes(read(path), heading)
        name = os.path.relpath(path, TOP)
        for code in sorted(returned - documented):
            problems.append('exit code %d is returned but not in the table of %s' % (code, name))
        for code in sorted(documented - returned):
            problems.append('exit code %d is in the table of %s but never returned' % (code, name))
    worded = set(re.findall(r'\{(kExit\w+), "', read(EXIT_MEANINGS)))
    for name in sorted(set(constants) - worded):
        problems.append('%s has no words for the log\'s last line in ExitCode.cpp' % name)


def sample_entries():
    """{key: (display name, version or None)} of the entries a default silent install of the
    sample writes on Windows 2000 and later: products with flag 1 and a remove section, and the
    setup-level entry; with the script's Provider."""
    script = read(os.path.join(SAMPLE, 'setup.inf'))
    section = re.search(r'^\[Products\.NT5\]\n(.*?)\n\n', script, re.S | re.M).group(1)
    entries = {}
    for line in section.split('\n'):
        key, _, fields = line.partition('=')
        fields = [f.strip().strip('"') for f in re.findall(r'\s*("[^"]*"|[^,]*?)\s*(?:,|$)', fields)]
        if len(fields) > 6 and fields[2] and int(fields[3] or 0) & 1:
            entries[key.strip()] = (fields[0], fields[6] or None)
    setup = re.search(r'^Uninstall\s*=\s*(\w+),\s*"([^"]*)"', script, re.M)
    entries[setup.group(1)] = (setup.group(2), None)
    provider = re.search(r'^Provider\s*=\s*"([^"]*)"', script, re.M).group(1)
    return entries, provider


def check_switches(switches):
    if not isinstance(switches, dict):
        problems.append('the manifest has no InstallerSwitches')
        return
    parsed = re.findall(r'\{"(/[^"]+)",\s*(\d+),\s*OptionKind', read(COMMAND_LINE))
    for name, value in switches.items():
        if name not in SWITCHES:
            problems.append('InstallerSwitches has the unknown key %s' % name)
            continue
        for token in str(value).split(' '):
            if not any(token.lower().startswith(option[:int(length)].lower())
                       for option, length in parsed):
                problems.append('switch %s: %s is no option of the program' % (name, token))
    for name, token in (('Silent', None), ('SilentWithProgress', None), ('Log', '<LOGPATH>'),
                        ('InstallLocation', '<INSTALLPATH>')):
        if name not in switches or (token and token not in str(switches[name])):
            problems.append('InstallerSwitches %s is missing or lacks %s' % (name, token))


def check_codes(manifest, constants):
    returned = set(constants.values())
    success = manifest.get('InstallerSuccessCodes') or []
    expected = manifest.get('ExpectedReturnCodes') or []
    listed = set(success)
    for item in expected:
        code, response = item.get('InstallerReturnCode'), item.get('ReturnResponse')
        if response not in RETURN_RESPONSES:
            problems.append('ReturnResponse %s of code %s is not a schema value' % (response, code))
        listed.add(code)
    for code in sorted(listed, key=str):
        if not isinstance(code, int) or code == 0:
            problems.append('listed code %r is not a non-zero number' % (code,))
        elif code not in returned:
            problems.append('listed code %d is never returned by the program' % code)
    if len(success) != len(set(success)) or len(success) > 16:
        problems.append('InstallerSuccessCodes are not unique or more than 16')
    install_codes = set(code for name, code in constants.items()
                        if code and name not in REMOVAL_ONLY and not name.startswith('kExitCheck'))
    for code in sorted(install_codes - listed):
        problems.append('exit code %d of an install is not in the manifest' % code)


def check_manifest(constants):
    text = read(MANIFEST)
    manifest = yaml.safe_load(text)
    for key in REQUIRED_KEYS:
        if key not in manifest:
            problems.append('the manifest lacks the required key %s' % key)
    if manifest.get('ManifestType') != 'installer':
        problems.append('ManifestType is not "installer"')
    version = tuple(int(p) for p in re.findall(r'\d+', str(manifest.get('ManifestVersion'))))
    if len(version) != 3 or version < (1, 6, 0):
        problems.append('ManifestVersion %s is not 1.6.0 or later' % manifest.get('ManifestVersion'))
    if not IDENTIFIER.match(str(manifest.get('PackageIdentifier'))):
        problems.append('PackageIdentifier does not have the schema\'s form')
    installers = manifest.get('Installers') or []
    if not installers:
        problems.append('the manifest lists no installer')
    for installer in installers:
        for key in REQUIRED_INSTALLER_KEYS:
            if key not in installer:
                problems.append('an installer lacks the required key %s' % key)
        if installer.get('Architecture') not in ARCHITECTURES:
            problems.append('Architecture %s is not a schema value' % installer.get('Architecture'))
        if not re.match(r'^[Hh][Tt][Tt][Pp][Ss]?://.+$', str(installer.get('InstallerUrl'))):
            problems.append('InstallerUrl is not an http(s) address')
        if not re.match(r'^[A-Fa-f0-9]{64}$', str(installer.get('InstallerSha256'))):
            problems.append('InstallerSha256 is not 64 hexadecimal digits')
        kind = installer.get('InstallerType', manifest.get('InstallerType'))
        if kind not in INSTALLER_TYPES:
            problems.append('InstallerType %s is not a schema value' % kind)
        elif kind != 'exe':
            problems.append('InstallerType is %s, not exe' % kind)
    check_switches(manifest.get('InstallerSwitches'))
    check_codes(manifest, constants)

    entries, provider = sample_entries()
    listed = {}
    for entry in manifest.get('AppsAndFeaturesEntries') or []:
        listed[entry.get('ProductCode')] = (entry.get('DisplayName'),
                                            str(entry['DisplayVersion'])
                                            if 'DisplayVersion' in entry else None)
        if entry.get('Publisher') != provider:
            problems.append('entry %s: Publisher is not the script\'s Provider "%s"'
                            % (entry.get('ProductCode'), provider))
    if listed != entries:
        problems.append('AppsAndFeaturesEntries %s are not the entries the sample writes %s'
                        % (sorted(listed.items()), sorted(entries.items())))
    if manifest.get('ProductCode') not in entries:
        problems.append('ProductCode names no entry of the sample')

    quoted = [body for language, tag, _, body in fenced_blocks(read(GUIDE))
              if language == 'yaml' and tag == 'winget']
    if ['\n'.join(body).strip() for body in quoted] != [text.strip()]:
        problems.append('the guide does not quote %s whole, once' % os.path.relpath(MANIFEST, TOP))


def main():
    constants = exit_constants()
    check_exit_code_tables(constants)
    check_manifest(constants)
    for problem in problems:
        print(problem)
    print('deployment contract: %d problem(s)' % len(problems))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
