#!/usr/bin/env python3
"""Checks tools/keygen and tools/publish with the test-only keys of
tests/keys: the written information file against hashlib and the openssl
command directly, then tools/publish --verify against a table of changed
copies, then what publishing must refuse. Ends with 'N passed, N failed'."""
import datetime
import hashlib
import os
import re
import stat
import struct
import subprocess
import sys
import tempfile

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
KEYS = os.path.join(TOP, "tests", "keys")
BASE = "http://updates.example/upd/Tallivo/"
results = {"passed": 0, "failed": 0}


def check(name, ok, detail=""):
    results["passed" if ok else "failed"] += 1
    print(f"{'ok  ' if ok else 'FAIL'} {name}" + ("" if ok else f"\n     {detail}"))


def key(name, part):
    return os.path.join(KEYS, f"test-only-update-key-{name}.{part}.pem")


def tool(name, *args):
    return subprocess.run([os.path.join(TOP, "tools", name), *args], capture_output=True, text=True)


def pe_with_version(ms, ls):
    """MZ and PE headers, a stray fixed-info signature outside any version
    resource, then a VS_VERSIONINFO whose fixed info says ms.ls."""
    key_text = "VS_VERSION_INFO\0".encode("utf-16-le")
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    info = struct.pack("<HHH", 6 + len(key_text) + 2 + len(fixed), len(fixed), 0) + key_text + b"\0\0" + fixed
    decoy = struct.pack("<5I", 0xFEEF04BD, 0x10000, 0x00090009, 0x00090009, 0)
    return b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40) + b"PE\0\0" + bytes(20) + decoy + bytes(3) + info


def der(raw):
    ints = b""
    for n in (raw[:32], raw[32:]):
        n = n.lstrip(b"\0")
        n = b"\0" + n if n[0] & 0x80 else n
        ints += bytes([2, len(n)]) + n
    return bytes([0x30, len(ints)]) + ints


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    return path


def main():
    fmt = "%m/%d/%Y"
    today = datetime.date.today()
    expires = today + datetime.timedelta(days=30)
    tmp = tempfile.mkdtemp(prefix="publish test ")
    exe = write(os.path.join(tmp, "Tallivo.exe"), pe_with_version(0x00010002, 0x00030004))
    readme = write(os.path.join(tmp, "Read me.txt"), b"Notes\r\n")
    out = os.path.join(tmp, "out")
    done = tool("publish", "--key", key("a", "private"), "--url-base", BASE.rstrip("/"), "--out", out,
                "--expires", expires.strftime(fmt), exe, readme)
    check("publishes with key a", done.returncode == 0, done.stderr)
    if done.returncode != 0:
        print(f"{results['passed']} passed, {results['failed']} failed (nothing else to check)")
        return 1
    info = open(os.path.join(out, "Tallivo.inf"), "rb").read()

    # The written file, line by line, from hashlib and the fixture alone.
    d, e = today.strftime(fmt), expires.strftime(fmt)
    facts = [(len(open(p, "rb").read()), hashlib.sha256(open(p, "rb").read()).hexdigest()) for p in (exe, readme)]
    expected = [f"Tallivo 1.2.3.4, published {d}", "#version=1.2.3.4", f"#date={d}", f"#expires={e}",
                "#method=0", f"#url={BASE}Tallivo.exe", f"#url2={BASE}Read me.txt", "#files={",
                f"{facts[0][0]} {facts[0][1]} Tallivo.exe", f"{facts[1][0]} {facts[1][1]} Read me.txt", "}"]
    lines = info.decode().split("\n")
    check("entries in order, version from the PE", lines[:-2] == expected, lines)
    check("signature line, LF ends", re.fullmatch(r"#signature=[0-9a-f]{128}", lines[-2]) and lines[-1] == ""
          and b"\r" not in info, lines[-2:])
    for p in (exe, readme):
        check(f"copied {os.path.basename(p)}", open(os.path.join(out, os.path.basename(p)), "rb").read()
              == open(p, "rb").read())
    # The signature checked by openssl itself, r||s turned into DER here.
    signed = info[:info.index(b"#signature=")]
    raw = bytes.fromhex(lines[-2][len("#signature="):])
    done = subprocess.run(["openssl", "dgst", "-sha256", "-verify", key("a", "public"), "-signature",
                           write(os.path.join(tmp, "sig.der"), der(raw)), write(os.path.join(tmp, "t"), signed)],
                          capture_output=True, text=True)
    check("openssl verifies r||s over the text before #signature=", done.returncode == 0, done.stdout + done.stderr)

    unsigned_out = os.path.join(tmp, "unsigned")
    done = tool("publish", "--unsigned", "--url-base", BASE, "--out", unsigned_out, exe)
    unsigned = open(os.path.join(unsigned_out, "Tallivo.inf"), "rb").read()
    check("--unsigned: no expiry, no signature, a loud warning", done.returncode == 0 and b"#expires=" not in unsigned
          and b"#signature=" not in unsigned and b"#files={" in unsigned and "UNSIGNED" in done.stderr, done.stderr)

    flipped = bytearray(open(exe, "rb").read())
    flipped[70] ^= 1
    sig_at = info.index(b"#signature=") + 20
    day = datetime.timedelta(days=1)
    # name, information file, program, public key, today, passes, reason given
    cases = [
        ("as published", info, None, "a", today, True, ""),
        ("CR LF line ends", info.replace(b"\n", b"\r\n"), None, "a", today, True, ""),
        ("lone CR line ends", info.replace(b"\n", b"\r"), None, "a", today, True, ""),
        ("blank space before the signature", info.replace(b"#sig", b"\n \t\n#sig"), None, "a", today, True, ""),
        ("upper-case key, text after it", info.replace(b"#signature", b"#SIGNATURE") + b"#version=9\n",
         None, "a", today, True, ""),
        ("on its last day", info, None, "a", expires, True, ""),
        ("the day after", info, None, "a", expires + day, False, "expired"),
        ("a program byte flipped", info, bytes(flipped), "a", today, False, "SHA-256"),
        ("program one byte short", info, bytes(flipped[:-1]), "a", today, False, "bytes"),
        ("announced version changed", info.replace(b"=1.2.3.4", b"=1.2.3.5"), None, "a", today, False, "signature"),
        ("a file size changed", info.replace(b"\n%d " % facts[1][0], b"\n%d " % (facts[1][0] + 1)),
         None, "a", today, False, "signature"),
        ("a signature digit changed", info[:sig_at] + (b"1" if info[sig_at:sig_at + 1] != b"1" else b"2")
         + info[sig_at + 1:], None, "a", today, False, "signature"),
        ("signature removed", signed, None, "a", today, False, "unsigned"),
        ("unsigned file", unsigned, None, "a", today, False, "unsigned"),
        ("checked with key b", info, None, "b", today, False, "signature"),
        ("checked with an unknown key", info, None, "unknown", today, False, "signature"),
    ]
    for n, (name, text, program, pub, day_of_check, passes, reason) in enumerate(cases):
        folder = os.path.join(tmp, f"case{n}")
        os.makedirs(folder)
        write(os.path.join(folder, "Tallivo.inf"), text)
        write(os.path.join(folder, "Tallivo.exe"), program or open(exe, "rb").read())
        done = tool("publish", "--verify", "--pubkey", key(pub, "public"), "--today", day_of_check.strftime(fmt),
                    os.path.join(folder, "Tallivo.inf"), os.path.join(folder, "Tallivo.exe"), readme)
        check(f"verify, {name}", (done.returncode == 0) == passes and reason in done.stderr, done.stderr)

    plain = write(os.path.join(tmp, "plain.exe"), b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40) + b"PE\0\0")
    odd = write(os.path.join(tmp, "a}b.txt"), b"x")
    common = ["--url-base", BASE, "--out", os.path.join(tmp, "refused")]
    signing = ["--key", key("b", "private")] + common
    # name, arguments, what the refusal says (empty: it publishes)
    refusals = [
        ("rotated key b, version given", signing + ["--version", "2.0.0.0", plain], ""),
        ("no version resource", signing + [plain], "version resource"),
        ("file name with }", signing + [exe, odd], "a}b.txt"),
        ("message with }", signing + ["--message", "a}", exe], "}"),
        ("message with #signature=", signing + ["--message", "x #Signature=00", exe], "#signature="),
        ("neither key nor --unsigned", common + [exe], "--key"),
    ]
    for name, args, says in refusals:
        done = tool("publish", *args)
        check(f"publish, {name}", (done.returncode == 0) == (not says) and says in done.stderr, done.stderr)
    done = tool("publish", "--verify", "--pubkey", key("b", "public"), os.path.join(tmp, "refused", "Tallivo.inf"))
    text = open(os.path.join(tmp, "refused", "Tallivo.inf"), "rb").read()
    check("key b's file verifies with key b, announcing --version", done.returncode == 0
          and b"\n#version=2.0.0.0\n" in text, done.stderr)

    prefix = os.path.join(tmp, "maker")
    done = tool("keygen", prefix)
    private = open(prefix + ".private.pem", "rb").read()
    check("keygen: 0600 private key, SubjectPublicKeyInfo public key", done.returncode == 0
          and stat.S_IMODE(os.stat(prefix + ".private.pem").st_mode) == 0o600
          and open(prefix + ".public.pem").read().startswith("-----BEGIN PUBLIC KEY-----\n"), done.stderr)
    done = subprocess.run(["openssl", "pkey", "-pubin", "-in", prefix + ".public.pem", "-noout", "-text"],
                          capture_output=True, text=True)
    check("keygen: a P-256 key", "prime256v1" in done.stdout, done.stdout + done.stderr)
    done = tool("keygen", prefix)
    check("keygen refuses to overwrite", done.returncode != 0 and open(prefix + ".private.pem", "rb").read()
          == private, done.stderr)

    print(f"{results['passed']} passed, {results['failed']} failed")
    if not results["failed"]:
        subprocess.run(["rm", "-rf", tmp])
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
