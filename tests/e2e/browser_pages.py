"""The hand-off to "/contracts" in a real browser (Debian's chromium, python3-selenium): what
only a browser shows, its Origin rules for forms, the stylesheet under the CSP, the certificate.
Usage: browser_pages.py VELTO_SANDBOX CA_PEM. Exits 77 (skipped) when the browser is missing."""
import os, shutil, subprocess, sys, tempfile

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.expected_conditions import text_to_be_present_in_element
    from selenium.webdriver.support.wait import WebDriverWait
except ImportError:
    sys.exit(print("SKIP: python3-selenium is not installed (scripts/install-deps)") or 77)
for tool in ("chromium", "chromedriver", "certutil"):
    if not shutil.which(tool):
        sys.exit(print(f"SKIP: {tool} is not installed (scripts/install-deps)") or 77)

home = tempfile.mkdtemp(prefix="velto-browser-")
sandbox = subprocess.Popen([sys.argv[1], "--port", "0", "--db", ":memory:"],
                           stdout=subprocess.PIPE, text=True)
driver = None
try:
    origin = sandbox.stdout.readline().split()[-1]  # "velto-sandbox listening on <origin>"
    # Chromium trusts what the NSS database in $HOME trusts: the development CA.
    nssdb = "sql:" + home + "/.pki/nssdb"
    os.makedirs(home + "/.pki/nssdb")
    subprocess.run(["certutil", "-d", nssdb, "-N", "--empty-password"], check=True)
    subprocess.run(["certutil", "-d", nssdb, "-A", "-t", "C,,", "-n", "velto", "-i", sys.argv[2]],
                   check=True)
    os.environ["HOME"] = home
    options = webdriver.ChromeOptions()
    # Root needs --no-sandbox; without the networking flags Chromium calls unreachable hosts.
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--user-data-dir=" + home + "/profile"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    # A click returns before the next page is there: wait for its heading (a liveness bound).
    heading = lambda text: WebDriverWait(driver, 60).until(
        text_to_be_present_in_element((By.TAG_NAME, "h1"), text))
    driver.get(origin + "/contracts")
    assert driver.current_url == origin + "/sign-in?next=/contracts", driver.current_url
    color = driver.find_element(By.TAG_NAME, "body").value_of_css_property("background-color")
    assert color == "rgba(15, 27, 77, 1)", "no stylesheet: " + color
    driver.find_element(By.NAME, "email").send_keys("client@velto.test")
    driver.find_element(By.NAME, "password").send_keys("velto-client-1")
    driver.find_element(By.CSS_SELECTOR, "main button").click()
    heading("Milestones awaiting funding")
    pay = driver.find_element(By.CSS_SELECTOR, "section.card button")
    assert pay.text == "Pay ₹300000", driver.page_source
    pay.click()
    heading("Milestone funded")
finally:
    if driver:
        driver.quit()
    sandbox.terminate()
    shutil.rmtree(home, ignore_errors=True)
