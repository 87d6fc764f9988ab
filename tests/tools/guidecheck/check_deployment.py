#!/usr/bin/env python3
"""Checks what deployment systems are told against what the program does.

- The exit-code tables of the README and of the guide (16.3) list exactly the codes that
  src/common/ExitCode.h defines, and src/common/ExitCode.cpp words each for the log's last line.
- The sample's winget manifest keeps the installer manifest schema's rules that can be stated
  here (required keys, allowed InstallerType, Architecture and ReturnResponse values, no code
  listed twice), lists only codes the program returns and every code of an install, names only Uninstall keys of the
  sample, and is quoted whole by the guide.

Usage: check_deployment.py [top of the source tree]; prints each problem and exits 1 when any.
"""
import os
import re
import sys

import yaml

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_guide import TOP, GUIDE, fenced_blocks, read  # noqa: E402

MANIFEST = os.path.join(TOP, 'examples', 'orlavin', 'OrlavinSoftware.Orlavin.installer.yaml')
# From the installer manifest schema 1.6.0.
REQUIRED = ['PackageIdentifier', 'PackageVersion', 'Installers', 'ManifestType', 'ManifestVersion']
REQUIRED_PER_INSTALLER = ['Architecture', 'InstallerUrl', 'InstallerSha256']
INSTALLER_TYPES = {'msix', 'msi', 'appx', 'exe', 'zip', 'inno', 'nullsoft', 'wix', 'burn', 'pwa',
                   'portable'}
ARCHITECTURES = {'x86', 'x64', 'arm', 'arm64', 'neutral'}
RESPONSES = {'packageInUse', 'packageInUseByApplication', 'installInProgress', 'fileInUse',
             'missingDependency', 'diskFull', 'insufficientMemory', 'invalidParameter',
             'noNetwork', 'contactSupport', 'rebootRequiredToFinish', 'rebootRequiredForInstall',
             'rebootInitiated', 'cancelledByUser', 'alreadyInstalled', 'downgrade',
             'blockedByPolicy', 'systemNotSupported', 'custom'}
# Codes that no install ends with: a removal's, and those of "/check".
NOT_OF_AN_INSTALL = re.compile(r'kExit(UnknownProduct|Check\w+)$')

problems = []


def check_tables(constants):
    returned = set(constants.values())
    for path, heading in ((os.path.join(TOP, 'README.md'), '## Exit codes'),
                          (GUIDE, '### 16.3 Exit codes')):
        m = re.search(re.escape(heading) + r'\n(.*?)\n#', read(path), re.S)
        rows = re.findall(r'^\| (\d+) \|', m.group(1), re.M) if m else []
        documented = set(int(code) for code in rows)
        for code in sorted(returned ^ documented):
            problems.append('exit code %d is %s the table of %s' % (
                code, 'missing from' if code in returned else 'never returned, but in',
                os.path.relpath(path, TOP)))
    meanings = read(os.path.join(TOP, 'src', 'common', 'ExitCode.cpp'))
    problems.extend('%s has no words for the log in ExitCode.cpp' % name
                    for name in set(constants) - set(re.findall(r'\{(kExit\w+), "', meanings)))


def check_manifest(constants):
    text = read(MANIFEST)
    manifest = yaml.safe_load(text)
    problems.extend('the manifest lacks %s' % key for key in REQUIRED if key not in manifest)
    if manifest.get('ManifestType') != 'installer' or \
            tuple(map(int, str(manifest.get('ManifestVersion')).split('.'))) < (1, 6, 0):
        problems.append('not an installer manifest of schema 1.6.0 or later')
    for installer in manifest.get('Installers') or [{}]:
        problems.extend('an installer lacks %s' % key
                        for key in REQUIRED_PER_INSTALLER if key not in installer)
        if installer.get('Architecture') not in ARCHITECTURES:
            problems.append('Architecture %s is no schema value' % installer.get('Architecture'))
        kind = installer.get('InstallerType', manifest.get('InstallerType'))
        if kind not in INSTALLER_TYPES or kind != 'exe':
            problems.append('InstallerType %s is no schema value, or not exe' % kind)
    switches = manifest.get('InstallerSwitches') or {}
    for name, token in (('Silent', ''), ('SilentWithProgress', ''), ('Log', '<LOGPATH>'),
                        ('InstallLocation', '<INSTALLPATH>')):
        if token not in switches.get(name, '-'):
            problems.append('InstallerSwitches %s is missing or lacks %s' % (name, token))

    returned = set(constants.values())
    expected = manifest.get('ExpectedReturnCodes') or []
    problems.extend('ReturnResponse %s is no schema value' % e.get('ReturnResponse')
                    for e in expected if e.get('ReturnResponse') not in RESPONSES)
    codes = list(manifest.get('InstallerSuccessCodes') or []) + \
        [e.get('InstallerReturnCode') for e in expected]
    listed = set(codes)
    # winget refuses a code listed twice, as a success code and as an expected one included.
    problems.extend('code %s is listed more than once' % c
                    for c in sorted(listed) if codes.count(c) > 1)
    problems.extend('listed code %s is never returned by the program' % c
                    for c in listed if c == 0 or c not in returned)
    of_an_install = set(c for n, c in constants.items() if c and not NOT_OF_AN_INSTALL.match(n))
    problems.extend('exit code %d of an install is not in the manifest' % c
                    for c in sorted(of_an_install - listed))

    # Product lines (a key, then a quoted display name) and the setup-level key.
    script = read(os.path.join(TOP, 'examples', 'orlavin', 'setup.inf'))
    keys = set(re.findall(r'^(\w+)\s*=\s*"', script, re.M) +
               re.findall(r'^Uninstall\s*=\s*(\w+)', script, re.M))
    for code in [manifest.get('ProductCode')] + \
            [e.get('ProductCode') for e in manifest.get('AppsAndFeaturesEntries') or []]:
        if code not in keys:
            problems.append('ProductCode %s is no key of the sample' % code)
    quoted = ['\n'.join(body).strip() for language, tag, _, body in fenced_blocks(read(GUIDE))
              if (language, tag) == ('yaml', 'winget')]
    if quoted != [text.strip()]:
        problems.append('the guide does not quote %s whole, once' % os.path.relpath(MANIFEST, TOP))


def main():
    header = read(os.path.join(TOP, 'src', 'common', 'ExitCode.h'))
    constants = {name: int(code)
                 for name, code in re.findall(r'constexpr int (kExit\w+) = (\d+);', header)}
    if not constants:
        problems.append('no exit codes found in src/common/ExitCode.h')
    check_tables(constants)
    check_manifest(constants)
    for problem in problems:
        print(problem)
    print('deployment contract: %d problem(s)' % len(problems))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
