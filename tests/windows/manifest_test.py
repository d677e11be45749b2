#!/usr/bin/env python3
"""farlight.exe's manifest as Windows finds it: read back from the program's resources, where
Windows looks for it when it starts the program (RT_MANIFEST, id 1). A malformed manifest keeps
the program from starting at all.

Usage: manifest_test.py FARLIGHT_EXE VERSION
"""
import struct
import sys
import xml.etree.ElementTree as ET

RT_MANIFEST = 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}


def resources(image):
    """{(type, name): [data for each language]} of a PE image's resources; named entries (not
    numbered ones) appear under their entry's raw word."""
    (pe,) = struct.unpack_from("<I", image, 0x3C)
    if image[pe : pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    (magic,) = struct.unpack_from("<H", image, optional)
    directories = optional + (112 if magic == 0x20B else 96)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", image, directories + 2 * 8)
    if rsrc_size == 0:
        return {}
    table = [
        struct.unpack_from("<8xIIII", image, optional + optional_size + 40 * i)
        for i in range(sections)
    ]

    def offset(rva):
        for size, address, raw_size, raw in table:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"address {rva:#x} in no section")

    base = offset(rsrc_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", image, base + directory + 12)
        for i in range(named + numbered):
            yield struct.unpack_from("<II", image, base + directory + 16 + 8 * i)

    found = {}
    for kind, types in entries(0):
        for name, names in entries(types & 0x7FFFFFFF):
            for _, leaf in entries(names & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", image, base + leaf)
                found.setdefault((kind, name), []).append(image[offset(rva) : offset(rva) + size])
    return found


def main(exe, version):
    failures = []
    try:
        with open(exe, "rb") as f:
            found = resources(f.read())
    except (OSError, ValueError, struct.error) as e:
        print(f"FAIL: no resources read from {exe}: {e}")
        return 1
    manifests = {key: data for key, data in found.items() if key[0] == RT_MANIFEST}
    if list(manifests) != [(RT_MANIFEST, 1)] or len(manifests[(RT_MANIFEST, 1)]) != 1:
        print(f"FAIL: manifests {[(k[1], len(v)) for k, v in manifests.items()]}, one of id 1 expected")
        return 1
    try:
        root = ET.fromstring(manifests[(RT_MANIFEST, 1)][0])
    except ET.ParseError as e:
        print(f"FAIL: the manifest is not well-formed XML: {e}")
        return 1

    def check(condition, what):
        if not condition:
            failures.append(what)

    identity = root.find(ASM_V1 + "assemblyIdentity")
    check(
        identity is not None and identity.get("version") == version + ".0",
        f"the program's identity is not version {version}.0",
    )

    # DPI awareness: Windows 10 reads dpiAwareness's list in order and takes the first it knows.
    settings = root.find(f"{ASM_V3}application/{ASM_V3}windowsSettings")
    awareness = settings.find(SETTINGS_2016 + "dpiAwareness") if settings is not None else None
    levels = [s.strip() for s in (awareness.text or "").split(",")] if awareness is not None else []
    check(levels[:1] == ["PerMonitorV2"], f"dpiAwareness does not start with PerMonitorV2: {levels}")
    check("PerMonitor" in levels[1:], f"dpiAwareness does not fall back to PerMonitor: {levels}")
    aware = settings.find(SETTINGS_2005 + "dpiAware") if settings is not None else None
    check(
        aware is not None and (aware.text or "").strip().lower() == "true/pm",
        "no dpiAware true/pm for the systems before Windows 10",
    )

    controls = [
        a
        for a in root.iter(ASM_V1 + "assemblyIdentity")
        if a.get("name") == "Microsoft.Windows.Common-Controls"
    ]
    check(
        len(controls) == 1
        and controls[0].get("version") == "6.0.0.0"
        and controls[0].get("publicKeyToken") == "6595b64144ccf1df"
        and controls[0].get("type") == "win32",
        "no dependency on Common Controls 6.0.0.0",
    )

    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    check(levels == ["asInvoker"], f"execution level {levels}, asInvoker expected")

    ids = {e.get("Id", "").lower() for e in root.iter(COMPATIBILITY + "supportedOS")}
    missing = [name for guid, name in SUPPORTED_OS.items() if guid not in ids]
    check(not missing and len(ids) == len(SUPPORTED_OS), f"supported systems: {missing} missing")

    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("PASS")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
