// <sparkler-scene>: the sparkler in any page, from this one module:
//   <script type="module" src="sparkler-scene.js"></script>
//   <sparkler-scene write="Happy 2027"></sparkler-scene>
// Each element holds the page beside this module (index.html, with the program and its
// sounds) in a frame of its own, so each has its own program and several can share a page.
// It fills its box with the scene's aspect kept (black bars); given no height it is 4:3.
// Attributes: autopilot (on unless "off" or "false"), write="TEXT" (words the autopilot writes
// first), sound (a click may start it), controls (the on-screen keys). A click takes the
// sparkler; the page's keys work while the scene has the focus.
const scenePage = new URL('index.html', import.meta.url);

const style = `
  :host { display: block; aspect-ratio: 4 / 3; background: #000; overflow: hidden; }
  :host([hidden]) { display: none; }
  iframe { display: block; width: 100%; height: 100%; border: 0; }`;

class SparklerScene extends HTMLElement {
  static get observedAttributes() { return ['autopilot', 'write', 'sound', 'controls']; }

  constructor() {
    super();
    const root = this.attachShadow({ mode: 'open' });
    const sheet = document.createElement('style');
    sheet.textContent = style;
    this.frame = document.createElement('iframe');
    this.frame.title = 'Sparkler';
    this.frame.allow = 'fullscreen; autoplay';
    root.append(sheet, this.frame);
  }

  // The page's address for the attributes as they stand.
  get src() {
    const url = new URL(scenePage);
    url.searchParams.set('embed', '1');
    const autopilot = (this.getAttribute('autopilot') || '').toLowerCase();
    if (autopilot === 'off' || autopilot === 'false') url.searchParams.set('autopilot', '0');
    if (this.getAttribute('write')) url.searchParams.set('write', this.getAttribute('write'));
    if (this.hasAttribute('sound')) url.searchParams.set('sound', '');
    if (this.hasAttribute('controls')) url.searchParams.set('controls', '');
    return url.href;
  }

  // Loads (or reloads, when an attribute changed) the scene while the element is in a page.
  connectedCallback() { this.load(); }
  attributeChangedCallback() { if (this.isConnected) this.load(); }
  load() {
    const src = this.src;
    if (this.frame.src !== src) this.frame.src = src;
  }
}

if (!customElements.get('sparkler-scene')) customElements.define('sparkler-scene', SparklerScene);
export { SparklerScene };
