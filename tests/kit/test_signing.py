#!/usr/bin/env python3
"""Tests of the signing step (tools/sign_program.sh) and of where its signing
time comes from (tools/signing_time.sh), signing a real program.

  test_signing.py PROGRAM

PROGRAM is an unsigned Windows program to sign copies of.
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

TOOLS = pathlib.Path(__file__).resolve().parents[2] / "tools"
SIGN = TOOLS / "sign_program.sh"
SIGNING_TIME = TOOLS / "signing_time.sh"
FIXED_TIME = "946684800"
PROGRAM = None


def run(command, **options):
    return subprocess.run([str(part) for part in command], capture_output=True, text=True, timeout=120, **options)


def must(command, **options):
    result = run(command, **options)
    if result.returncode != 0:
        raise AssertionError(f"{command} failed: {result.stderr}")
    return result


class SigningTimeTest(unittest.TestCase):
    def setUp(self):
        temp = tempfile.TemporaryDirectory()
        self.addCleanup(temp.cleanup)
        self.temp = pathlib.Path(temp.name)

    def signing_time(self, source, environment=None):
        inherited = {name: value for name, value in os.environ.items() if name != "SOURCE_DATE_EPOCH"}
        return run(["bash", SIGNING_TIME, source], env={**inherited, **(environment or {})})

    def commit(self, when):
        repo = self.temp / "checkout"
        repo.mkdir()
        dated = {**os.environ, "GIT_COMMITTER_DATE": f"@{when} +0000", "GIT_AUTHOR_DATE": f"@{when} +0000"}
        must(["git", "init", "-q", repo])
        must(["git", "-C", repo, "-c", "user.name=t", "-c", "user.email=t@t", "commit", "-q", "--allow-empty",
              "-m", "one"], env=dated)
        return repo

    def test_time_comes_from_the_environment_the_commit_or_a_fixed_time(self):
        repo = self.commit(1600000000)
        no_git = self.temp / "no-git-bin"
        no_git.mkdir()
        for tool in ("bash", "env", "cut", "sha256sum"):
            found = shutil.which(tool)
            if found:
                (no_git / tool).symlink_to(found)
        cases = [
            ("SOURCE_DATE_EPOCH wins", repo, {"SOURCE_DATE_EPOCH": "1234567890"}, "1234567890 (SOURCE_DATE_EPOCH)"),
            ("the last commit", repo, {}, "1600000000 (the last commit's time)"),
            ("a tarball: no commit", self.temp, {}, f"{FIXED_TIME} (the fixed time"),
            ("git missing", repo, {"PATH": str(no_git)}, f"{FIXED_TIME} (the fixed time"),
        ]
        for name, source, environment, expected in cases:
            with self.subTest(name):
                result = self.signing_time(source, environment)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertTrue(result.stdout.startswith(expected), result.stdout)
                if expected.startswith(FIXED_TIME):
                    self.assertIn("set SOURCE_DATE_EPOCH", result.stdout)

    @unittest.skipUnless(hasattr(os, "geteuid") and os.geteuid() == 0, "only root can give the checkout away")
    def test_a_checkout_owned_by_another_user_still_gives_its_commit_time(self):
        repo = self.commit(1600000001)
        for folder, _, files in os.walk(repo):
            for name in [folder, *(os.path.join(folder, file) for file in files)]:
                os.chown(name, 65534, 65534)
        result = self.signing_time(repo)
        self.assertEqual(result.stdout.strip(), "1600000001 (the last commit's time)", result.stderr)

    def test_a_malformed_source_date_epoch_is_refused(self):
        result = self.signing_time(self.temp, {"SOURCE_DATE_EPOCH": "yesterday"})
        self.assertEqual(result.returncode, 1)
        self.assertIn("SOURCE_DATE_EPOCH=yesterday is not a number of seconds", result.stderr)


class SignProgramTest(unittest.TestCase):
    """One certificate, in the forms a release engineer brings it."""

    @classmethod
    def setUpClass(cls):
        cls.temp_dir = tempfile.TemporaryDirectory()
        # A folder name with ";" and a space: the settings must keep it whole.
        certs = cls.certs = pathlib.Path(cls.temp_dir.name) / "release; certs"
        certs.mkdir()
        must(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30", "-subj", "/CN=Signing test",
              "-addext", "keyUsage=critical,digitalSignature", "-addext", "extendedKeyUsage=codeSigning",
              "-keyout", certs / "key.pem", "-out", certs / "cert.pem"])
        (certs / "password").write_text("a throw-away password\n")
        (certs / "wrong-password").write_text("not the password\n")
        common = ["-in", certs / "cert.pem", "-inkey", certs / "key.pem", "-passout", f"file:{certs / 'password'}"]
        must(["openssl", "pkcs12", "-export", *common, "-out", certs / "current.p12"])
        # What older Windows tools export: RC2-40, which OpenSSL 3 keeps in
        # its legacy provider.
        must(["openssl", "pkcs12", "-export", "-legacy", "-keypbe", "PBE-SHA1-RC2-40", "-certpbe", "PBE-SHA1-RC2-40",
              *common, "-out", certs / "rc2-40.p12"])
        must(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", certs / "ec-key.pem"])
        must(["openssl", "req", "-x509", "-new", "-key", certs / "ec-key.pem", "-days", "30", "-subj",
              "/CN=Signing test EC", "-out", certs / "ec-cert.pem"])

    @classmethod
    def tearDownClass(cls):
        cls.temp_dir.cleanup()

    def settings(self, name, **values):
        lines = {"SOURCE_DATE_EPOCH": "1600000000", **values}
        path = self.certs / f"{name}.settings"
        path.write_text("".join(f"{key}={value}\n" for key, value in lines.items()), encoding="utf-8")
        return path

    def sign(self, settings, output_name):
        output = self.certs / output_name
        result = run(["bash", SIGN, settings, PROGRAM, output])
        return result, output

    def pkcs12_settings(self, name, p12, password="password", **extra):
        return self.settings(name, ORVICAP_SIGN_PKCS12=self.certs / p12,
                             ORVICAP_SIGN_PASSWORD_FILE=self.certs / password, **extra)

    def test_each_form_of_the_certificate_signs_verifiably_and_reproducibly(self):
        forms = {
            "PKCS#12 as OpenSSL 3 writes it": self.pkcs12_settings("current", "current.p12"),
            "PKCS#12 with RC2-40, as older Windows tools export it": self.pkcs12_settings("rc2", "rc2-40.p12"),
            "PEM certificate and key": self.settings("pem", ORVICAP_SIGN_CERT=self.certs / "cert.pem",
                                                     ORVICAP_SIGN_KEY=self.certs / "key.pem"),
        }
        signed = {}
        for name, settings in forms.items():
            with self.subTest(name):
                check = run(["bash", SIGN, settings, "--check"])
                self.assertEqual(check.returncode, 0, check.stderr)
                result, output = self.sign(settings, f"{settings.stem}.exe")
                self.assertEqual(result.returncode, 0, result.stderr)
                verify = run(["osslsigncode", "verify", "-CAfile", self.certs / "cert.pem", "-in", output])
                self.assertEqual(verify.returncode, 0, verify.stdout + verify.stderr)
                again, second = self.sign(settings, f"{settings.stem}-again.exe")
                self.assertEqual(again.returncode, 0, again.stderr)
                self.assertEqual(output.read_bytes(), second.read_bytes(), "two signings differ")
                signed[name] = output.read_bytes()
        self.assertEqual(len(set(signed.values())), 1, "one certificate and key signed differently by form")

    def test_a_wrong_password_is_refused_for_every_pkcs12_file(self):
        for p12 in ("current.p12", "rc2-40.p12"):
            with self.subTest(p12):
                result = run(["bash", SIGN, self.pkcs12_settings("wrong", p12, "wrong-password"), "--check"])
                self.assertEqual(result.returncode, 1)
                self.assertIn(f"cannot open {self.certs / p12} with the password", result.stderr)

    def test_description_and_address_holding_semicolons_are_signed_whole(self):
        description, url = "维洛录屏; release 2", "https://example.invalid/a;b?c=d;e"
        settings = self.pkcs12_settings("texts", "current.p12", ORVICAP_SIGN_DESCRIPTION=description,
                                        ORVICAP_SIGN_URL=url)
        result, output = self.sign(settings, "texts.exe")
        self.assertEqual(result.returncode, 0, result.stderr)
        data = output.read_bytes()
        # osslsigncode writes the program name as UTF-8, the address as ASCII.
        self.assertTrue(description.encode("utf-8") in data, "the description was not signed whole")
        self.assertTrue(url.encode("ascii") in data, "the address was not signed whole")

    def test_the_signing_time_is_the_one_given(self):
        for when in ("1600000000", "1700000000"):
            with self.subTest(when):
                settings = self.pkcs12_settings(f"time-{when}", "current.p12", SOURCE_DATE_EPOCH=when)
                result, output = self.sign(settings, f"time-{when}.exe")
                self.assertEqual(result.returncode, 0, result.stderr)
                verify = run(["osslsigncode", "verify", "-CAfile", self.certs / "cert.pem", "-in", output])
                self.assertIn("Signing time: Sep 13 12:26:40 2020 GMT" if when == "1600000000"
                              else "Signing time: Nov 14 22:13:20 2023 GMT", verify.stdout)

    def test_ecdsa_signatures_differ_from_signing_to_signing(self):
        # Why the README asks for an RSA key for reproducible signed builds.
        settings = self.settings("ec", ORVICAP_SIGN_CERT=self.certs / "ec-cert.pem",
                                 ORVICAP_SIGN_KEY=self.certs / "ec-key.pem")
        first, one = self.sign(settings, "ec.exe")
        second, two = self.sign(settings, "ec-again.exe")
        self.assertEqual((first.returncode, second.returncode), (0, 0), first.stderr + second.stderr)
        self.assertNotEqual(one.read_bytes(), two.read_bytes())


if __name__ == "__main__":
    PROGRAM = pathlib.Path(sys.argv.pop(1)).resolve()
    unittest.main()
