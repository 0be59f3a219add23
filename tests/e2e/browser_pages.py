"""The service's pages in a real browser (Debian's chromium, python3-selenium): what only a
browser shows, its Origin rules for forms, the stylesheet under the CSP, the certificate.
Usage: browser_pages.py VELTO_SANDBOX CA_PEM: the hand-off to "/contracts" on a sandbox of its own.
       browser_pages.py --add-money LINK CA_PEM RUPEES: a hand-off's one-time sign-in link, opened
       as the app opens it; continues as its person and adds money on "/wallet"
       (tst_e2e_webpayment). Exits 77 (skipped) when the browser is missing."""
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

adding = sys.argv[1] == "--add-money"
ca = sys.argv[3] if adding else sys.argv[2]
home = tempfile.mkdtemp(prefix="velto-browser-")
sandbox = None
driver = None
try:
    if adding:
        link, rupees = sys.argv[2], sys.argv[4]
    else:
        sandbox = subprocess.Popen([sys.argv[1], "--port", "0", "--db", ":memory:"],
                                   stdout=subprocess.PIPE, text=True)
        origin = sandbox.stdout.readline().split()[-1]  # "velto-sandbox listening on <origin>"
    # Chromium trusts what the NSS database in $HOME trusts: the development CA.
    nssdb = "sql:" + home + "/.pki/nssdb"
    os.makedirs(home + "/.pki/nssdb")
    subprocess.run(["certutil", "-d", nssdb, "-N", "--empty-password"], check=True)
    subprocess.run(["certutil", "-d", nssdb, "-A", "-t", "C,,", "-n", "velto", "-i", ca],
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
    if adding:
        # The token leaves the address bar at once; nothing signs in before the button.
        driver.get(link)
        assert driver.current_url.endswith("/continue-sign-in"), driver.current_url
        driver.find_element(By.CSS_SELECTOR, "main button").click()
        heading("Wallet")
        driver.find_element(By.NAME, "amount").send_keys(rupees)
        driver.find_element(By.CSS_SELECTOR, "main button").click()
        heading("Money added")
        sys.exit(0)
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
    if sandbox:
        sandbox.terminate()
    shutil.rmtree(home, ignore_errors=True)
