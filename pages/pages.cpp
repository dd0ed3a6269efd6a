// pages
