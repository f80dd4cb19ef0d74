// A model of the part of Plasma 5.27's desktop scripting API that wallpaper
// scripts use, for checking scripts without Plasma: desktops(), and on each
// desktop containment wallpaperPlugin, currentConfigGroup, readConfig,
// writeConfig and reloadConfig (plus print()). Anything else the script
// touches is an error, as it would be in Plasma. The containments come from an
// appletsrc file, which gets the script's changes as Plasma writes them.
//   node plasma-scripting-5.27.js APPLETSRC < script.js
'use strict';
const fs = require('fs');
const vm = require('vm');

const file = process.argv[2];
const order = [];
const groups = new Map();
let current = null;
for (const line of fs.readFileSync(file, 'utf8').split('\n')) {
  if (line.startsWith('[')) {
    current = line;
    if (!groups.has(current)) { groups.set(current, new Map()); order.push(current); }
  } else if (current && line.includes('=')) {
    const eq = line.indexOf('=');
    groups.get(current).set(line.slice(0, eq), line.slice(eq + 1));
  }
}
function group(name) {
  if (!groups.has(name)) { groups.set(name, new Map()); order.push(name); }
  return groups.get(name);
}

const desktopPlugins = ['org.kde.plasma.folder', 'org.kde.desktopcontainment'];
function containment(name) {
  let configGroup = [];
  const api = {
    get wallpaperPlugin() { return group(name).get('wallpaperplugin') || ''; },
    set wallpaperPlugin(plugin) {
      if (typeof plugin !== 'string') throw new TypeError('wallpaperPlugin takes a string');
      group(name).set('wallpaperplugin', plugin);
    },
    get currentConfigGroup() { return configGroup.slice(); },
    set currentConfigGroup(names) {
      if (!Array.isArray(names)) throw new TypeError('currentConfigGroup takes a list of strings');
      configGroup = names.map(String);
    },
    readConfig(key, def) {
      const value = group(name + configGroup.map((g) => '[' + g + ']').join('')).get(key);
      return value === undefined ? def : value;
    },
    writeConfig(key, value) {
      if (arguments.length !== 2) throw new TypeError('writeConfig takes a key and a value');
      group(name + configGroup.map((g) => '[' + g + ']').join('')).set(String(key), String(value));
    },
    reloadConfig() {},
    get id() { return Number(/\[(\d+)\]$/.exec(name)[1]); },
    get screen() { return Number(group(name).get('lastScreen') || -1); },
  };
  // Plasma's objects know no other names: using one is the script's error.
  return new Proxy(api, {
    get(target, prop) {
      if (!(prop in target)) throw new TypeError('Containment has no property ' + String(prop));
      return target[prop];
    },
    set(target, prop, value) {
      if (!(prop in target)) throw new TypeError('Containment has no property ' + String(prop));
      target[prop] = value;
      return true;
    },
  });
}

function desktops() {
  return order
    .filter((g) => /^\[Containments\]\[\d+\]$/.test(g) && desktopPlugins.includes(groups.get(g).get('plugin')))
    .map(containment);
}

const script = fs.readFileSync(0, 'utf8');
try {
  vm.runInNewContext('"use strict";\n' + script, { desktops, print: (text) => console.log(String(text)) },
                     { timeout: 5000 });
} catch (e) {
  process.stderr.write('Error: ' + e.message + '\n');
  process.exit(1);
}
let out = '';
for (const name of order) {
  out += name + '\n';
  for (const [key, value] of groups.get(name)) out += key + '=' + value + '\n';
  out += '\n';
}
fs.writeFileSync(file, out);
