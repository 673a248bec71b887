#!/usr/bin/env python3
"""Check the compiled resources of the program against the texts and layout it must carry.

usage: check_res.py --host HOST FILE

FILE is a .res file, a COFF object of the resource script or a linked executable; HOST is the
vendor host name it was built with. Prints every difference found and exits with status 1 when
there is one.
"""

import argparse
import sys
import xml.etree.ElementTree as ElementTree

import dump_res


def expected_strings(host):
    site = "http://" + host
    page = site + "/Products/Veltrane/2012/Download.aspx"
    return {
        103: site,
        104: "The %s %s could not reach " + site + ".",
        105: "%s is designed for Windows XP and later operating systems. %s cannot be installed on "
        "this machine. To download the appropriate installation package for your system please "
        "go to " + page + ".",
        106: "The Tornquill does not recognize this operating system. Please go to "
        + page
        + " to obtain a compatible version of the Tornquill or otherwise download %s.",
        107: "The Tornquill could not determine the operating system on this computer. In order to "
        "download the appropriate installation package, please go to "
        + page
        + " to select and download the correct installation package of %s for your system.",
        108: page,
        109: "%s, 2012 - Windows %s, %s bit",
        110: "%s %s - Please select convenient download folder and filename",
        111: "The %s %s could not create file '%s' because: %s",
        112: "Are you sure that you want to cancel this download?\r\n\r\nVeltrane is an excellent "
        "software that can help protect you and your data privacy, security and safety, build "
        "online trust in your business or website, and simplify file management!\r\n\r\n"
        "What’s more , you can try Veltrane for FREE for 30 days, and if you buy a license you "
        "have an additional 30 day Money Back Guarantee – no questions asked. If you just require "
        "the software for personal use, there is a free ad-driven license - so you don’t have to "
        "pay a penny if you prefer it that way.",
        113: "out of [unknown] bytes",
        114: "out of %s bytes",
        115: "The system could not launch the installer package. Please start the installer "
        "manually.",
        116: "Connecting",
        117: "We are sorry that you chose not to install and use our software. We just want to let "
        "you know that the %s download was successfully completed while you were contemplating "
        "installing it. Should you change your mind you can try %s without waiting for a new "
        "download.",
        118: "The installation package was downloaded successfully, however the web server did not "
        "supply data integrity verification hash code.\n\nDo you want to install the installation "
        "package anyway?",
        119: "The installation package was downloaded successfully, however the data integrity "
        "verification hash code supplied by the web server does not match the code computed by "
        "the %s. This may be due to data transmission errors.\n\nPlease make sure to use the "
        "latest %s, available from "
        + page
        + ", and try again. Alternatively, download the installation package suitable for your "
        "system available from the same web address.\n\nDo you want to install the downloaded "
        "installation package anyway?",
        120: "The installation package was downloaded successfully, however the %s encountered a "
        "generic exception while verifying the data integrity of the download.\n\nDo you want to "
        "install the downloaded installation package anyway?",
        121: "Verifying:",
        122: "The file '%s' already exists.\n\nDo you want to replace it?",
    }


EXPECTED_VERSION_STRINGS = {
    "ProductName": "Veltrane",
    "ProductVersion": "2.30.0.0",
    "InternalName": "Tornquill",
    "FileVersion": "2.30.0.0",
    "OriginalFilename": "Tornquill.exe",
}

THANKS_TEXT = (
    "Thank you for downloading Veltrane, 2012. Remember that we have created video tutorials to "
    "help you make the most of Veltrane. If you have any questions, please feel welcome to "
    "participate in the forums or ask us, we are always happy to help!"
)

# id, class, text, style, rectangle; in template (tab) order.
EXPECTED_CONTROLS = [
    (1003, "Static", "Static", 0x50020000, [7, 7, 29, 28]),
    (1002, "Static", "Downloading:", 0x5002008B, [62, 11, 63, 14]),
    (1007, "Static", "", 0x50020000, [201, 12, 106, 8]),
    (1004, "Static", "OS", 0x50020000, [63, 26, 335, 14]),
    (1006, "Static", THANKS_TEXT, 0x50020000, [7, 75, 391, 27]),
    (1000, "msctls_progress32", "", 0x50800000, [7, 51, 391, 14]),
    (1001, "Button", "Go to website", 0x50010000, [262, 102, 67, 14]),
    (1005, "Button", "Cancel", 0x50030001, [331, 102, 67, 14]),
    (1008, "Static", "", 0x50020002, [129, 12, 69, 8]),
]

EXPECTED_ICON_IMAGES = sorted(
    [(size, bits) for size in (16, 24, 32, 48) for bits in (4, 8, 32)] + [(256, 32)]
)

SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Windows Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # Windows 7
}


class Checker:
    def __init__(self):
        self.faults = []

    def equal(self, what, actual, expected):
        if actual != expected:
            self.faults.append("%s: %r, expected %r" % (what, actual, expected))


def check_strings(check, resources, host):
    strings = {int(k): v for k, v in resources["strings"].items()}
    expected = expected_strings(host)
    check.equal("string identifiers", sorted(strings), sorted(expected))
    for id_, text in sorted(expected.items()):
        check.equal("string %d" % id_, strings.get(id_), text)


def check_version(check, resources):
    versions = resources["versions"]
    check.equal("version resources", sorted(versions), ["1"])
    if "1" not in versions:
        return
    version = versions["1"]
    check.equal("version translations", version["translations"], [[0x0409, 1200]])
    check.equal("version string tables", sorted(version["stringTables"]), ["040904b0"])
    table = version["stringTables"].get("040904b0", {})
    for key, value in EXPECTED_VERSION_STRINGS.items():
        check.equal("version %s" % key, table.get(key), value)
    check.equal("version FileDescription present", "FileDescription" in table, True)
    check.equal("version SpecialBuild present", "SpecialBuild" in table, False)
    check.equal("fixed file version", version["fileVersion"], "2.30.0.0")
    check.equal("fixed product version", version["productVersion"], "2.30.0.0")


def check_dialog(check, resources):
    dialog = resources["dialogs"].get("101")
    if dialog is None:
        check.faults.append("dialog 101 missing")
        return
    check.equal("dialog style", dialog["style"], 0x80C800C8)
    check.equal("dialog extended style", dialog["exStyle"], 0)
    check.equal("dialog help id", dialog["helpId"], 0)
    check.equal("dialog rectangle", dialog["rect"], [0, 0, 405, 123])
    check.equal("dialog menu", dialog["menu"], "")
    check.equal("dialog class", dialog["class"], "")
    check.equal("dialog caption", dialog["caption"], "Veltrane Tornquill")
    check.equal(
        "dialog font",
        dialog["font"],
        {"pointSize": 8, "weight": 0, "italic": 0, "charset": 1, "typeface": "MS Shell Dlg"},
    )
    controls = dialog["controls"]
    check.equal("control ids", [c["id"] for c in controls], [e[0] for e in EXPECTED_CONTROLS])
    for control, (id_, class_, text, style, rect) in zip(controls, EXPECTED_CONTROLS):
        what = "control %d" % id_
        # Window class names are case-insensitive; windres upper-cases named classes.
        check.equal(what + " class", str(control["class"]).lower(), class_.lower())
        check.equal(what + " text", control["text"], text)
        check.equal(what + " style", hex(control["style"]), hex(style))
        check.equal(what + " extended style", control["exStyle"], 0)
        check.equal(what + " help id", control["helpId"], 0)
        check.equal(what + " rectangle", control["rect"], rect)
        check.equal(what + " creation data", control["extraBytes"], 0)


def check_icon(check, resources):
    group = resources["iconGroups"].get("100")
    if group is None:
        check.faults.append("icon group 100 missing")
        return
    entries = group["entries"]
    check.equal(
        "icon images", sorted((e["width"], e["bitCount"]) for e in entries), EXPECTED_ICON_IMAGES
    )
    for entry in entries:
        what = "icon %dx%d %d-bit" % (entry["width"], entry["height"], entry["bitCount"])
        image = entry["image"]
        if image is None:
            check.faults.append(what + ": image %d missing" % entry["id"])
            continue
        check.equal(what + " square", entry["width"], entry["height"])
        check.equal(what + " stored size", (image["width"], image["height"]), (entry["width"],) * 2)
        check.equal(what + " stored depth", image["bitCount"], entry["bitCount"])
        check.equal(what + " byte count", entry["imageBytes"], entry["bytesInRes"])


def check_manifest(check, resources):
    manifest = resources["manifests"].get("1")
    if manifest is None:
        check.faults.append("manifest 1 missing")
        return
    ns = {
        "asm1": "urn:schemas-microsoft-com:asm.v1",
        "asm3": "urn:schemas-microsoft-com:asm.v3",
        "compat": "urn:schemas-microsoft-com:compatibility.v1",
    }
    root = ElementTree.fromstring(manifest.encode("utf-8"))
    levels = [
        e.attrib
        for e in root.findall(
            "asm3:trustInfo/asm3:security/asm3:requestedPrivileges/asm3:requestedExecutionLevel", ns
        )
    ]
    check.equal("execution level", levels, [{"level": "asInvoker", "uiAccess": "false"}])
    dependencies = [
        e.attrib
        for e in root.findall("asm1:dependency/asm1:dependentAssembly/asm1:assemblyIdentity", ns)
    ]
    check.equal(
        "dependencies",
        dependencies,
        [
            {
                "type": "win32",
                "name": "Microsoft.Windows.Common-Controls",
                "version": "6.0.0.0",
                "processorArchitecture": "*",
                "publicKeyToken": "6595b64144ccf1df",
                "language": "*",
            }
        ],
    )
    systems = [
        e.attrib.get("Id")
        for e in root.findall("compat:compatibility/compat:application/compat:supportedOS", ns)
    ]
    check.equal("supported systems", sorted(systems), sorted(SUPPORTED_OS))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", required=True, help="vendor host name the resources carry")
    parser.add_argument("file", help=".res file, resource object or executable")
    args = parser.parse_args(argv[1:])

    resources = dump_res.decode(dump_res.load(args.file))
    check = Checker()
    check.equal("resource languages", resources["languages"], [0x0409])
    check_strings(check, resources, args.host)
    check_version(check, resources)
    check_dialog(check, resources)
    check_icon(check, resources)
    check_manifest(check, resources)
    for fault in check.faults:
        print(fault)
    print("%d difference(s) in %s" % (len(check.faults), args.file))
    return 1 if check.faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
