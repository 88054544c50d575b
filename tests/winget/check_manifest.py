#!/usr/bin/env python3
"""Checks the package-manager manifest that the build writes beside the
setup: the three files of schema 1.10.0 against the project's own statement
of the rules that matter (required fields, patterns, allowed values, its
digest), the switches and exit codes against the setup's own sources (the
switch names its command-line reader compares), the exit codes and the
installed entry against the tables written here, and, when --schemas names
the published schemas, against them with jsonschema.

    check_manifest.py --manifests DIR --setup SETUP --command-line FILE
                      [--schemas DIR]
"""
import argparse
import hashlib
import json
import os
import re
import sys

SCHEMA_VERSION = "1.10.0"
IDENTIFIER = re.compile(r'^[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}){1,7}$')
VERSION = re.compile(r'^[^\\/:\*\?"<>\|\x01-\x1f]+$')
LOCALE = re.compile(r'^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$')
URL = re.compile(r'^([Hh][Tt][Tt][Pp][Ss]?)://.+$')
SHA256 = re.compile(r'^[A-Fa-f0-9]{64}$')
EXTENSION = re.compile(r'^[^\\/:\*\?"<>\|\x01-\x1f]+$')
RESPONSES = {"packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse", "missingDependency",
             "diskFull", "insufficientMemory", "invalidParameter", "noNetwork", "contactSupport",
             "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated", "cancelledByUser",
             "alreadyInstalled", "downgrade", "blockedByPolicy", "systemNotSupported", "custom"}

# The setup's exit codes other than 0 and the response a package manager
# should give each; written out here, so a wrong line in the sources the
# manifest is made from shows.
EXIT_CODES = {740: "blockedByPolicy", 1602: "cancelledByUser", 1603: "contactSupport", 1618: "installInProgress",
              1620: "contactSupport", 1633: "systemNotSupported", 1638: "downgrade", 1639: "invalidParameter",
              1641: "rebootInitiated", 3010: "rebootRequiredToFinish"}
# The uninstall entry the setup writes.
PRODUCT = {"code": "{3F0C2D71-9B4E-4A86-8D15-6E2B7C40A9D3}", "name": "Velmora", "publisher": "Brenthaven Software",
           "version": "1.7"}


def setup_switch_names(path):
    """The switch names the setup's command-line reader compares with."""
    with open(path, encoding="utf-8") as f:
        return set(re.findall(r'name == "(\w+)"', f.read()))


class Failure(Exception):
    pass


def scalar(text):
    text = text.strip()
    if len(text) >= 2 and text[0] == text[-1] == '"':
        return json.loads(text)
    if re.fullmatch(r"-?[0-9]+", text):
        return int(text)
    return text


def parse_yaml(text):
    """The block subset the build writes: mappings, lists of scalars and of
    mappings, double-quoted or plain scalars, comments."""
    lines = []
    for raw in text.splitlines():
        if not raw.strip() or raw.lstrip().startswith("#"):
            continue
        lines.append((len(raw) - len(raw.lstrip(" ")), raw.strip()))

    def block(index, indent):
        if lines[index][1].startswith("- "):
            items = []
            while index < len(lines) and lines[index][0] == indent and lines[index][1].startswith("- "):
                rest = lines[index][1][2:]
                if re.match(r"^[A-Za-z0-9]+:( |$)", rest):
                    # A mapping item: its first key sits after the dash.
                    lines[index] = (indent + 2, rest)
                    value, index = block(index, indent + 2)
                else:
                    value, index = scalar(rest), index + 1
                items.append(value)
            return items, index
        mapping = {}
        while index < len(lines) and lines[index][0] == indent and not lines[index][1].startswith("- "):
            key, _, rest = lines[index][1].partition(":")
            if key in mapping:
                raise Failure("key %s given twice" % key)
            if rest.strip():
                mapping[key] = scalar(rest)
                index += 1
            else:
                index += 1
                if index >= len(lines) or lines[index][0] < indent or (
                        lines[index][0] == indent and not lines[index][1].startswith("- ")):
                    mapping[key] = None
                else:
                    mapping[key], index = block(index, lines[index][0])
        return mapping, index

    value, end = block(0, 0)
    if end != len(lines):
        raise Failure("unexpected indentation at: " + lines[end][1])
    return value


def expect(condition, message):
    if not condition:
        raise Failure(message)


def expect_text(document, key, pattern=None, min_length=1, max_length=None):
    value = document.get(key)
    expect(isinstance(value, str), "%s is missing or not text" % key)
    expect(len(value) >= min_length, "%s is shorter than %d" % (key, min_length))
    expect(max_length is None or len(value) <= max_length, "%s is longer than %s" % (key, max_length))
    expect(pattern is None or pattern.match(value), "%s %r does not match its pattern" % (key, value))
    return value


def check_common(document, manifest_type):
    expect_text(document, "PackageIdentifier", IDENTIFIER, max_length=128)
    expect_text(document, "PackageVersion", VERSION, max_length=128)
    expect(document.get("ManifestType") == manifest_type, "ManifestType is not %s" % manifest_type)
    expect(document.get("ManifestVersion") == SCHEMA_VERSION, "ManifestVersion is not %s" % SCHEMA_VERSION)


def check_version(document):
    check_common(document, "version")
    expect_text(document, "DefaultLocale", LOCALE, max_length=20)


def check_locale(document):
    check_common(document, "defaultLocale")
    expect_text(document, "PackageLocale", LOCALE, max_length=20)
    expect(expect_text(document, "Publisher", min_length=2, max_length=256) == PRODUCT["publisher"],
           "Publisher is not %s" % PRODUCT["publisher"])
    expect_text(document, "PackageName", min_length=2, max_length=256)
    expect_text(document, "License", min_length=3, max_length=512)
    expect_text(document, "ShortDescription", min_length=3, max_length=256)
    for key in ("PublisherUrl", "PackageUrl"):
        if key in document:
            expect_text(document, key, URL, max_length=2048)


def check_installer(document, setup_digest, product, exit_codes, switch_names):
    check_common(document, "installer")
    expect(document.get("InstallerType") == "exe", "InstallerType is not exe")
    expect(document.get("Scope") == "machine", "Scope is not machine")
    # The setup's manifest asks for administrator rights: it elevates itself.
    expect(document.get("ElevationRequirement") == "elevatesSelf", "ElevationRequirement is not elevatesSelf")
    # A second run upgrades in place: no removal first.
    expect(document.get("UpgradeBehavior") == "install", "UpgradeBehavior is not install")
    switches = document.get("InstallerSwitches")
    expect(isinstance(switches, dict), "InstallerSwitches is missing")
    expect(set(switches) == {"Silent", "SilentWithProgress", "InstallLocation", "Log"},
           "InstallerSwitches are %r" % sorted(switches))
    for key, value in switches.items():
        expect(isinstance(value, str) and 1 <= len(value) <= 512, "switch %s is not 1 to 512 characters" % key)
        name = re.match(r"^/(\w+)(=\"<[A-Z]+>\")?$", value)
        expect(name and name.group(1) in switch_names, "switch %s %r is not one the setup reads" % (key, value))
    for key, placeholder in (("InstallLocation", "<INSTALLPATH>"), ("Log", "<LOGPATH>")):
        expect(placeholder in switches[key], "%s does not pass %s" % (key, placeholder))
    codes = document.get("ExpectedReturnCodes")
    expect(isinstance(codes, list) and len(codes) <= 128, "ExpectedReturnCodes is missing")
    seen = {}
    for entry in codes:
        code, response = entry.get("InstallerReturnCode"), entry.get("ReturnResponse")
        expect(isinstance(code, int) and code != 0 and -2**31 <= code <= 2**32 - 1, "bad return code %r" % code)
        expect(response in RESPONSES, "unknown return response %r" % response)
        expect(code not in seen, "return code %d listed twice" % code)
        seen[code] = response
    expect(seen == exit_codes, "the expected return codes are %r, not the setup's %r" % (seen, exit_codes))
    expect(document.get("ProductCode") == product["code"], "ProductCode is not %s" % product["code"])
    entries = document.get("AppsAndFeaturesEntries")
    expect(entries == [{"DisplayName": product["name"], "Publisher": product["publisher"],
                        "DisplayVersion": product["version"], "ProductCode": product["code"]}],
           "AppsAndFeaturesEntries %r do not match the uninstall entry the setup writes" % entries)
    extensions = document.get("FileExtensions")
    expect(extensions == ["tms"], "FileExtensions is not [tms]")
    for extension in extensions:
        expect(EXTENSION.match(extension) and len(extension) <= 64, "bad file extension %r" % extension)
    installers = document.get("Installers")
    expect(isinstance(installers, list) and 1 <= len(installers) <= 1024, "Installers is missing")
    for installer in installers:
        for key in ("Architecture", "InstallerUrl", "InstallerSha256"):
            expect(key in installer, "an installer has no %s" % key)
        expect(installer["Architecture"] in ("x86", "x64", "arm", "arm64", "neutral"), "bad Architecture")
        expect_text(installer, "InstallerUrl", URL, max_length=2048)
        expect_text(installer, "InstallerSha256", SHA256)
        expect(installer["InstallerSha256"].upper() == setup_digest.upper(),
               "InstallerSha256 %s is not the setup's digest %s" % (installer["InstallerSha256"], setup_digest))


def validate_against_published(documents, schemas):
    import jsonschema  # Debian's python3-jsonschema
    import yaml  # Debian's python3-yaml
    for kind, (path, own) in documents.items():
        with open(os.path.join(schemas, "manifest.%s.%s.json" % (kind, SCHEMA_VERSION)), encoding="utf-8") as f:
            schema = json.load(f)
        with open(path, encoding="utf-8") as f:
            published_view = yaml.safe_load(f)
        # Both readings of the file agree, so the own rules saw what the schema sees.
        expect(published_view == own, "%s reads differently with a full YAML parser" % path)
        jsonschema.validate(published_view, schema)
        print("%s: valid against the published %s schema" % (os.path.basename(path), kind))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--manifests", required=True)
    parser.add_argument("--setup", required=True)
    parser.add_argument("--command-line", required=True, help="app/command_line.cpp")
    parser.add_argument("--schemas")
    args = parser.parse_args()

    with open(args.setup, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()

    files = sorted(os.listdir(args.manifests))
    identifier = "BrenthavenSoftware.Velmora"
    expected = sorted([identifier + ".yaml", identifier + ".locale.en-US.yaml", identifier + ".installer.yaml"])
    try:
        switch_names = setup_switch_names(args.command_line)
        expect(files == expected, "the manifest folder holds %r, not %r" % (files, expected))
        documents = {}
        for kind, name, check in (("version", expected[2], check_version),
                                  ("defaultLocale", expected[1], check_locale),
                                  ("installer", expected[0], None)):
            path = os.path.join(args.manifests, name)
            with open(path, encoding="utf-8") as f:
                document = parse_yaml(f.read())
            if check:
                check(document)
            else:
                check_installer(document, digest, PRODUCT, EXIT_CODES, switch_names)
            expect(document["PackageIdentifier"] == identifier, "%s names another package" % name)
            documents[kind] = (path, document)
            print("%s: follows the manifest rules" % name)
        versions = {doc["PackageVersion"] for _, doc in documents.values()}
        expect(versions == {PRODUCT["version"]}, "the files give the versions %r" % versions)
        if args.schemas:
            # Asked for, the schemas must be there: a missing folder is no pass.
            expect(os.path.isdir(args.schemas), "no published schemas in %s" % args.schemas)
            validate_against_published(documents, args.schemas)
        else:
            print("no published schemas given: checked against the own rules only")
    except Failure as failure:
        print("FAIL: %s" % failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
