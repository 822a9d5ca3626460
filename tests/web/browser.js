// Headless Chromium for the page tests, through puppeteer-core and the system's browser: a
// fresh profile each time, no sandbox (the tests run as root), nothing fetched from outside.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'sparkler-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--window-size=1100,900']
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { browser, close };
}

module.exports = { launch };
