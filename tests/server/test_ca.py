#!/usr/bin/env python3
"""Test certificate authority for the local HTTPS test servers, made with `openssl`.

Nothing here is trusted by the machine: the CA is trusted only where
`with-test-ca` puts it, in a private mount namespace.

Layout under a TLS folder (always a build folder, never the source tree):

    <tls>/ca.key, <tls>/ca.crt     the CA; made once, reused while it has more
                                   than 30 days left (shared by parallel servers)
    <tls>/run-<pid>-<port>/        one server's material, removed when it stops
                                   (or, if it was killed, by the next one):
        server.key                 one RSA key for every leaf below
        server.crt                 CA-signed, SAN IP:127.0.0.1 and DNS:localhost,
                                   CRL distribution point = the given URL
        revoked.crt                like server.crt, but listed in the CRL
        wronghost.crt              CA-signed, names only wrong-host.invalid
        untrusted.crt              self-signed, not from the test CA
        crl.pem, crl.der           the CA's CRL naming revoked.crt's serial

Command line:
    test_ca.py ca DIR                   make the CA if needed, print ca.crt's path
    test_ca.py leaf DIR CRL_URL         make a server's material, print its folder
                                        (run-<pid>: gone once another server starts)
"""
import base64
import fcntl
import os
import secrets
import shutil
import subprocess
import sys
import tempfile
from datetime import datetime, timedelta, timezone

OPENSSL_TIMEOUT = 60  # seconds; a single key or signature takes well under one

CA_CONFIG = """\
[req]
distinguished_name = dn
prompt = no
x509_extensions = v3_ca
[dn]
CN = Tallivo Test CA
O = Tallivo tests
[v3_ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
"""

LEAF_CONFIG = """\
[req]
distinguished_name = dn
prompt = no
[dn]
CN = unused
[leaf]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = {san}
subjectKeyIdentifier = hash
{aki}
{crl}
"""

CRL_CONFIG = """\
[ca]
default_ca = test_ca
[test_ca]
database = {dir}/index.txt
crlnumber = {dir}/crlnumber
certificate = {ca_dir}/ca.crt
private_key = {ca_dir}/ca.key
default_md = sha256
default_crl_days = 30
crl_extensions = crl_ext
[crl_ext]
authorityKeyIdentifier = keyid:always
"""


def openssl(*args, cwd=None):
    result = subprocess.run(["openssl", *args], cwd=cwd, capture_output=True, text=True,
                            timeout=OPENSSL_TIMEOUT)
    if result.returncode != 0:
        raise RuntimeError("openssl %s failed: %s" % (args[0], result.stderr.strip()))
    return result.stdout


def ensure_ca(tls_dir):
    """Makes the CA unless a usable one is there; returns the path of ca.crt."""
    os.makedirs(tls_dir, exist_ok=True)
    crt = os.path.join(tls_dir, "ca.crt")
    key = os.path.join(tls_dir, "ca.key")
    # Servers started in parallel must agree on one CA.
    with open(os.path.join(tls_dir, "ca.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(crt) and os.path.exists(key):
            still_valid = subprocess.run(["openssl", "x509", "-noout", "-checkend", str(30 * 86400), "-in", crt],
                                         capture_output=True, timeout=OPENSSL_TIMEOUT).returncode == 0
            if still_valid:
                return crt
        with tempfile.TemporaryDirectory(dir=tls_dir) as tmp:
            cnf = os.path.join(tmp, "ca.cnf")
            with open(cnf, "w") as f:
                f.write(CA_CONFIG)
            openssl("req", "-x509", "-config", cnf, "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "3650",
                    "-keyout", os.path.join(tmp, "ca.key"), "-out", os.path.join(tmp, "ca.crt"))
            os.chmod(os.path.join(tmp, "ca.key"), 0o600)
            # The key first: whoever sees the new ca.crt also finds its key.
            os.replace(os.path.join(tmp, "ca.key"), key)
            os.replace(os.path.join(tmp, "ca.crt"), crt)
    return crt


def _sign(out_dir, name, subject, san, crl_url, serial, ca_dir=None):
    """One certificate for server.key, signed by the CA in ca_dir or else by itself."""
    cnf = os.path.join(out_dir, name + ".cnf")
    with open(cnf, "w") as f:
        f.write(LEAF_CONFIG.format(san=san, aki="authorityKeyIdentifier = keyid" if ca_dir else "",
                                   crl="crlDistributionPoints = URI:" + crl_url if crl_url else ""))
    signer = ["-CA", os.path.join(ca_dir, "ca.crt"), "-CAkey", os.path.join(ca_dir, "ca.key")] if ca_dir else []
    openssl("req", "-x509", "-new", "-config", cnf, "-extensions", "leaf", "-key", os.path.join(out_dir, "server.key"),
            *signer, "-subj", subject, "-set_serial", "0x" + serial, "-days", "825", "-sha256",
            "-out", os.path.join(out_dir, name + ".crt"))
    os.remove(cnf)


def remove_stale(tls_dir):
    """Removes the folders of servers that were killed before they could (run-<pid>-...)."""
    for name in os.listdir(tls_dir):
        pid = name[len("run-"):].split("-")[0]
        if not name.startswith("run-") or not pid.isdigit():
            continue
        try:
            os.kill(int(pid), 0)
        except ProcessLookupError:
            shutil.rmtree(os.path.join(tls_dir, name), ignore_errors=True)
        except PermissionError:
            pass


def make_leaf(tls_dir, crl_url, tag=None):
    """Makes one server's certificates and CRL in a fresh folder under tls_dir; returns it."""
    ensure_ca(tls_dir)
    remove_stale(tls_dir)
    out_dir = os.path.join(tls_dir, "run-%s" % (tag or os.getpid()))
    os.makedirs(out_dir, exist_ok=True)
    openssl("genrsa", "-out", os.path.join(out_dir, "server.key"), "2048")
    serials = {name: secrets.token_hex(8).upper().lstrip("0") or "1" for name in ("server", "revoked", "wronghost")}
    for name in serials:  # even-length hex, as openssl's index file wants
        if len(serials[name]) % 2:
            serials[name] = "0" + serials[name]
    good_san = "IP:127.0.0.1, DNS:localhost"
    _sign(out_dir, "server", "/CN=localhost/O=Tallivo tests", good_san, crl_url, serials["server"], tls_dir)
    _sign(out_dir, "revoked", "/CN=localhost/O=Tallivo tests revoked", good_san, crl_url, serials["revoked"], tls_dir)
    _sign(out_dir, "wronghost", "/CN=wrong-host.invalid/O=Tallivo tests", "DNS:wrong-host.invalid", crl_url,
          serials["wronghost"], tls_dir)
    _sign(out_dir, "untrusted", "/CN=localhost/O=Tallivo tests untrusted", good_san, None, secrets.token_hex(8))

    now = datetime.now(timezone.utc)
    stamp = lambda t: t.strftime("%y%m%d%H%M%SZ")
    with open(os.path.join(out_dir, "index.txt"), "w") as f:
        f.write("R\t%s\t%s\t%s\tunknown\t/CN=localhost/O=Tallivo tests revoked\n"
                % (stamp(now + timedelta(days=825)), stamp(now), serials["revoked"]))
    with open(os.path.join(out_dir, "crlnumber"), "w") as f:
        f.write("01\n")
    cnf = os.path.join(out_dir, "crl.cnf")
    with open(cnf, "w") as f:
        f.write(CRL_CONFIG.format(dir=out_dir, ca_dir=tls_dir))
    openssl("ca", "-gencrl", "-config", cnf, "-out", os.path.join(out_dir, "crl.pem"))
    with open(os.path.join(out_dir, "crl.pem")) as f:
        body = "".join(line.strip() for line in f if line.strip() and not line.startswith("-----"))
    with open(os.path.join(out_dir, "crl.der"), "wb") as f:
        f.write(base64.b64decode(body))
    return out_dir


def main(argv):
    if len(argv) == 3 and argv[1] == "ca":
        print(ensure_ca(os.path.abspath(argv[2])))
        return 0
    if len(argv) == 4 and argv[1] == "leaf":
        print(make_leaf(os.path.abspath(argv[2]), argv[3]))
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
